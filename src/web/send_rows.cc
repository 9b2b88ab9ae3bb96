#include "web/send_rows.h"

#include <algorithm>
#include <string>
#include <vector>

#include "outcomes/row_state.h"
#include "rows/result_columns.h"
#include "sessions/session.h"

namespace quorax {
namespace {

// Copies of the cells of every data row: the database layer changes the
// values it sends, and the table must keep the uploaded ones. A column the
// table lacks (Notes may be left out) is sent empty.
std::vector<ResultRow> RowsOf(const RowTable& table) {
  std::vector<ResultRow> rows(static_cast<size_t>(table.RowCount()));
  const int32_t columns = std::min(table.Columns(), kResultColumnCount);
  for (int32_t row = 0; row < table.RowCount(); ++row) {
    for (int32_t col = 0; col < columns; ++col) {
      rows[static_cast<size_t>(row)].*kResultColumns[static_cast<size_t>(col)].Cell =
          table.Cell(row, col);
    }
  }
  return rows;
}

// True when a cell of `row` holds a NUL byte.
bool HoldsNul(const ResultRow& row) {
  return std::any_of(std::begin(kResultColumns), std::end(kResultColumns),
                     [&row](const ResultColumn& column) {
                       return (row.*column.Cell).find('\0') != std::string::npos;
                     });
}

// One code per row up to the first database failure. Both paths send rows
// without waiting for each verdict; inserts go in transactions, so that a
// lost connection leaves no row recorded without the tester being told.
std::vector<int16_t> Codes(TCDB& database, std::vector<ResultRow>& rows, bool import) {
  return import ? database.InsertResults(rows) : database.VerifyResults(rows);
}

// The text of a row the database failed at: for a row that may or may not
// be recorded, what the tester must do; otherwise the database's own text. A
// connection lost between two rows leaves the provider's error list empty;
// the tester still gets a reason.
std::string DatabaseFailureText(TCDB& database, int16_t code) {
  if (code == kNotKnownWhetherRecorded) {
    return "Not known whether recorded; verify them before importing again.";
  }
  std::string text = database.GetErrorString();
  return text.empty() ? "The connection to the database was lost before this row was sent." : text;
}

}  // namespace

bool SendRows(TCDB& database, const RowTable& table, bool import, CSVRowErrors& outcomes,
              Session& session) {
  const char* success = import ? "Imported successfully." : "Verified successfully.";
  std::vector<ResultRow> rows = RowsOf(table);
  std::vector<bool> held_back(rows.size());
  std::vector<ResultRow> sent;
  for (size_t i = 0; i < rows.size(); ++i) {
    held_back[i] = HoldsNul(rows[i]);
    if (!held_back[i]) sent.push_back(std::move(rows[i]));
  }
  const std::vector<int16_t> codes = Codes(database, sent, import);
  size_t next_code = 0;
  bool database_failed = false;
  for (size_t i = 0; i < rows.size() && !database_failed; ++i) {
    if (!held_back[i] && next_code == codes.size()) break;
    const int16_t rc = held_back[i] ? kRowHoldsNul : codes[next_code++];
    const auto number = static_cast<int16_t>(i + 1);
    outcomes.Add(number, rc);
    if (StateOfCode(rc) == RowState::Passed) {
      outcomes.Item(number)->ExtraInfo = success;
      continue;
    }
    session.SetBool("NoErrors", false);
    if (held_back[i]) {
      outcomes.Item(number)->ExtraInfo =
          "A cell holds a NUL byte (character 0), which the database cannot store; remove it "
          "and send the row again.";
    } else if (IsDatabaseFailure(rc)) {
      outcomes.Item(number)->ExtraInfo = DatabaseFailureText(database, rc);
      database_failed = true;
    }
  }
  return database_failed;
}

}  // namespace quorax
