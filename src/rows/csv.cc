#include "rows/csv.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "common/errors.h"
#include "common/int16.h"
#include "common/read_file.h"
#include "common/text.h"
#include "rows/csv_tokenizer.h"

namespace quorax {
namespace {

// Every row ends in a line end and holds a comma between fields, which
// bounds the number of rows without reading any field.
int32_t RowsAtMost(std::string_view text, std::string_view line_end, int32_t columns) {
  size_t line_ends = 0;
  for (size_t at = text.find(line_end); at != std::string_view::npos;
       at = text.find(line_end, at + line_end.size())) {
    ++line_ends;
  }
  return static_cast<int32_t>(std::min(line_ends, text.size() / static_cast<size_t>(columns)));
}

}  // namespace

int16_t CSV::ProcessCSV(const std::string& RawData) {
  StoppedAt = Stop{};
  const std::string_view line_end = ParseHeaderLine(RawData);
  if (line_end.empty()) return -2;
  const std::string_view header = std::string_view(RawData).substr(0, HeaderLength);
  const auto first_line = static_cast<int32_t>(1 + std::count(header.begin(), header.end(), '\n'));
  return ParseRows(std::string_view(RawData).substr(HeaderLength), line_end, first_line) < 0
             ? int16_t{-3}
             : int16_t{0};
}

int16_t CSV::ReadCSV(const std::string& Filename) {
  std::error_code error;
  if (!std::filesystem::exists(Filename, error)) return -1;
  const std::optional<std::string> bytes = ReadWholeFile(Filename);
  if (!bytes) throw PlatformFailure("the CSV file \"" + Filename + "\" cannot be read");
  return ProcessCSV(*bytes);
}

int16_t CSV::GetRows() const { return static_cast<int16_t>(Table.RowCount()); }

int16_t CSV::GetCols() const { return static_cast<int16_t>(Table.Columns()); }

std::string CSV::Data(int32_t column, int32_t row) const {
  if (column < 0 || column >= DataColumns || row < 0 || row >= DataRows) {
    throw SubscriptOutOfRange("the cell (" + std::to_string(column) + ", " + std::to_string(row) +
                              ") lies outside the cells (0.." + std::to_string(DataColumns - 1) +
                              ", 0.." + std::to_string(DataRows - 1) + ")");
  }
  if (column < Table.Columns() && row < Table.RowCount()) {
    return std::string(Table.Cell(row, column));
  }
  if (row == Table.RowCount() && static_cast<size_t>(column) < Spare.size()) {
    return Spare[static_cast<size_t>(column)];
  }
  return "";
}

std::string CSV::Headers(int32_t column) const {
  if (column < 0 || column >= HeaderEntries) {
    throw SubscriptOutOfRange("the header " + std::to_string(column) +
                              " lies outside the headers 0.." + std::to_string(HeaderEntries - 1));
  }
  return column < Table.Columns() ? Table.ColumnName(column) : "";
}

std::string_view CSV::ParseHeaderLine(std::string_view RawData) {
  const std::string_view line_end = DetectLineEnd(RawData);
  if (line_end.empty()) return line_end;
  const size_t end = RawData.find(line_end);
  ToInt16(static_cast<int64_t>(end) + 1, "the position of the CSV file's first line end");

  const std::string_view line = RawData.substr(0, end);
  std::vector<std::string> names;
  for (size_t pos = 0;;) {
    const size_t comma = line.find(',', pos);
    names.emplace_back(line.substr(pos, comma == std::string_view::npos ? comma : comma - pos));
    ToInt16(static_cast<int64_t>(names.size()), "the number of CSV columns");
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
  }
  HeaderLength = end + line_end.size();
  HeaderEntries = static_cast<int32_t>(names.size()) + 1;
  Table = RowTable(std::move(names));
  return line_end;
}

int16_t CSV::ParseRows(std::string_view text, std::string_view LineEnd, int32_t first_line) {
  if (TrimSpaces(text).empty()) return -1;
  const int16_t length =
      ToInt16(static_cast<int64_t>(text.size()), "the length of the CSV data rows");
  Table.Reserve(RowsAtMost(text, LineEnd, Table.Columns()), text.size());
  DataColumns = Table.Columns() + 1;
  DataRows = 2;
  Spare.clear();
  CsvTokenizer tokenizer(text, LineEnd);
  std::vector<std::string> fields(static_cast<size_t>(Table.Columns()));
  int16_t rows = 0;
  int32_t line = first_line;
  // A single character left after the last row is no row.
  for (size_t pos = 0; pos + 1 < static_cast<size_t>(length);) {
    const int16_t number = Add16(rows, 1, "the number of CSV rows");
    const size_t start = pos;
    for (size_t col = 0; col < fields.size(); ++col) {
      const FieldScan scan = tokenizer.Field(pos, col + 1 == fields.size(), fields[col]);
      // Positions count from 1 in 16 bits: no scan may step past 32767.
      ToInt16(static_cast<int64_t>(scan.consumed) + 1, "a CSV position");
      if (scan.fault != FieldFault::kNone) {
        StoppedAt = Stop{static_cast<int16_t>(scan.fault), HeaderLength + pos, HeaderLength,
                         HeaderLength + start};
        Spare.assign(fields.begin(), fields.begin() + static_cast<ptrdiff_t>(col));
        DataRows = rows + 1;
        return Sub16(-1, rows, "a CSV row code");
      }
      pos = scan.end;
    }
    Table.AddRow(fields, RowOrigin{number, line, ""});
    line += static_cast<int32_t>(std::count(text.begin() + static_cast<ptrdiff_t>(start),
                                            text.begin() + static_cast<ptrdiff_t>(pos), '\n'));
    rows = number;
    DataRows = rows + 1;
  }
  return rows;
}

}  // namespace quorax
