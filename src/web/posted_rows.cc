#include "web/posted_rows.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "common/errors.h"
#include "outcomes/row_state.h"
#include "web/fix_view.h"

namespace quorax {
namespace {

constexpr char kShowAgain[] = " Open \"Fix bad rows\" again and make the change there.";

// The data row number `word` names, from 1. Raises InvalidArgument when it
// is no number of the run.
int32_t RowNumber(std::string_view word, const RowTable& table) {
  int32_t row = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), row);
  if (error != std::errc() || end != word.data() + word.size()) {
    throw InvalidArgument("\"" + std::string(word) + "\" is not a row number." + kShowAgain);
  }
  if (row < 1 || row > table.RowCount()) {
    throw InvalidArgument("There is no row " + std::string(word) +
                          " in this run: it has rows 1 to " + std::to_string(table.RowCount()) +
                          "." + kShowAgain);
  }
  return row;
}

// True when `text` holds a character a text box cannot hold, or one outside
// Windows-1252 that the browser sent as "&#" digits ";".
bool UnstorableCell(std::string_view text) {
  if (std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
      })) {
    return true;
  }
  for (size_t at = text.find("&#"); at != std::string_view::npos; at = text.find("&#", at + 2)) {
    const size_t digits = text.find_first_not_of("0123456789", at + 2);
    if (digits > at + 2 && digits != std::string_view::npos && text[digits] == ';') return true;
  }
  return false;
}

// The cells posted for `row`; raises InvalidArgument for one that cannot be
// stored.
std::vector<std::string> RowCellsOf(const WebHost& host, const RowTable& table, int32_t row) {
  std::vector<std::string> cells;
  for (int32_t col = 0; col < table.Columns(); ++col) {
    cells.push_back(host.FormValue(CellField(row, col)));
    if (UnstorableCell(cells.back())) {
      throw InvalidArgument(CellLabel(table, col, row) +
                            " holds a character the database cannot store (it stores only the "
                            "characters of Windows-1252, without line breaks or tabs)." +
                            kShowAgain);
    }
  }
  return cells;
}

}  // namespace

std::string CellField(int32_t row, int32_t col) {
  return "r" + std::to_string(row) + "c" + std::to_string(col);
}

RunCorrections::RowCells PostedRows(const WebHost& host, const RowTable& table,
                                    const CSVRowErrors& outcomes, uint64_t stamp) {
  if (host.FormValue(kRunField) != std::to_string(stamp)) {
    throw InvalidArgument(
        "These rows were shown for an earlier upload; the results now shown are of another "
        "file, so nothing was changed." +
        std::string(kShowAgain));
  }
  RunCorrections::RowCells posted;
  const std::string rows = host.FormValue(kRowsField);
  for (size_t start = rows.find_first_not_of(' '); start != std::string::npos;
       start = rows.find_first_not_of(' ', start)) {
    const size_t end = std::min(rows.find(' ', start), rows.size());
    const int32_t row = RowNumber(std::string_view(rows).substr(start, end - start), table);
    start = end;
    std::vector<std::string> cells = RowCellsOf(host, table, row);
    // A form sent twice (a second click) repeats cells the rows have already.
    if (StateOfRow(outcomes, row) == RowState::Passed) {
      if (RowHasCells(table, row, cells)) continue;
      throw InvalidArgument("Row " + std::to_string(row) +
                            " has passed since these rows were shown, so nothing was changed." +
                            kShowAgain);
    }
    if (!posted.emplace(row, std::move(cells)).second) {
      throw InvalidArgument("Row " + std::to_string(row) + " was sent twice." + kShowAgain);
    }
  }
  return posted;
}

}  // namespace quorax
