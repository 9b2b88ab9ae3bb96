#include "web/send_again.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "outcomes/row_state.h"
#include "web/send_rows.h"
#include "web/upload_record.h"

namespace quorax {
namespace {

// The rows `rows` of `table` as a table of their own, in that order.
RowTable Subset(const RowTable& table, const std::vector<int32_t>& rows) {
  RowTable subset(table.Header());
  std::vector<std::string_view> cells(static_cast<size_t>(table.Columns()));
  for (const int32_t row : rows) {
    for (int32_t col = 0; col < table.Columns(); ++col) {
      cells[static_cast<size_t>(col)] = table.Cell(row - 1, col);
    }
    subset.AddRow(std::span<const std::string_view>(cells), table.Origin(row - 1));
  }
  return subset;
}

// Adds a copy of `outcome` as the outcome of `row`; returns false once the
// run must stop there (a database failure).
bool AddCopy(CSVRowErrors& merged, int32_t row, const CSVRowError& outcome) {
  const auto number = static_cast<int16_t>(row);
  merged.Add(number, outcome.ErrorNumber);
  merged.Item(number)->ExtraInfo = outcome.ExtraInfo;
  return !IsDatabaseFailure(outcome.ErrorNumber);
}

}  // namespace

std::vector<int32_t> RowsToSendAgain(const std::vector<int32_t>& changed, int32_t row_count,
                                     const CSVRowErrors& outcomes) {
  std::vector<int32_t> rows = changed;
  for (int32_t row = 1; row <= row_count; ++row) {
    const RowState state = StateOfRow(outcomes, row);
    if (state == RowState::DatabaseFailure || state == RowState::NotProcessed) rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

std::shared_ptr<CSVRowErrors> SendAgain(TCDB& database, const RowTable& table,
                                        const std::vector<int32_t>& rows, bool import,
                                        const CSVRowErrors& outcomes, Session& session) {
  const RowTable subset = Subset(table, rows);
  CSVRowErrors sent;
  {
    const UploadRecord record(import, subset, sent);
    SendRows(database, subset, import, sent, session);
  }
  std::map<int32_t, int32_t> sent_position;  // row -> its position in `sent`, from 1
  for (size_t i = 0; i < rows.size(); ++i) sent_position[rows[i]] = static_cast<int32_t>(i) + 1;

  auto merged = std::make_shared<CSVRowErrors>();
  for (int32_t row = 1; row <= table.RowCount(); ++row) {
    const auto position = sent_position.find(row);
    std::shared_ptr<CSVRowError> outcome;
    if (position != sent_position.end()) {
      if (position->second <= sent.Count()) outcome = sent.Errors(position->second);
    } else if (row <= outcomes.Count()) {
      outcome = outcomes.Errors(row);
    }
    if (outcome == nullptr || !AddCopy(*merged, row, *outcome)) break;
  }
  return merged;
}

}  // namespace quorax
