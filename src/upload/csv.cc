#include "upload/csv.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "common/errors.h"
#include "common/int16.h"
#include "common/read_file.h"
#include "common/text.h"
#include "upload/field_reader.h"

namespace quorax {

int16_t CSV::ProcessCSV(const std::string& RawData) {
  RawText = RawData;
  StoppedAt = Stop{};
  const int16_t result = ParseHeaderLine() != 0 ? int16_t{-2}
                         : ParseRows() < 0      ? int16_t{-3}
                                                : int16_t{0};
  // The table holds the cells; the text they came from is not kept.
  std::string().swap(RawText);
  return result;
}

int16_t CSV::ReadCSV(const std::string& Filename) {
  std::error_code error;
  if (!std::filesystem::exists(Filename, error)) return -1;
  const std::optional<std::string> bytes = ReadWholeFile(Filename);
  if (!bytes) throw PlatformFailure("the CSV file \"" + Filename + "\" cannot be read");
  return ProcessCSV(*bytes);
}

int16_t CSV::GetRows() const { return RowCount; }

int16_t CSV::GetCols() const { return ColCount; }

int16_t CSV::ParseHeaderLine() {
  LineEnd = "\r\n";
  size_t end = RawText.find(LineEnd);
  if (end == std::string::npos) {
    LineEnd = "\n";
    end = RawText.find(LineEnd);
  }
  if (end == std::string::npos) return -1;
  ToInt16(static_cast<int64_t>(end) + 1, "the position of the CSV file's first line end");

  std::string line = RawText.substr(0, end);
  HeaderLength = end + LineEnd.size();
  RawText.erase(0, HeaderLength);
  ColCount = 0;
  Headers.Resize(0);
  size_t pos = 0;
  for (;;) {
    Headers.Resize(Add16(ColCount, 1, "the number of CSV columns") + 1);
    size_t comma = line.find(',', pos);
    bool last = comma == std::string::npos;
    Headers(ColCount) = line.substr(pos, last ? std::string::npos : comma - pos);
    ColCount = Add16(ColCount, 1, "the number of CSV columns");
    if (last) return 0;
    pos = comma + 1;
  }
}

// Every row ends in a line end and holds ColCount - 1 commas, which bounds
// the number of rows without reading any field.
int32_t CSV::RowsAtMost() const {
  size_t line_ends = 0;
  for (size_t at = RawText.find(LineEnd); at != std::string::npos;
       at = RawText.find(LineEnd, at + LineEnd.size())) {
    ++line_ends;
  }
  return static_cast<int32_t>(std::min(line_ends, RawText.size() / static_cast<size_t>(ColCount)));
}

int16_t CSV::ParseRows() {
  if (TrimSpaces(RawText).empty()) return -1;
  RowCount = 0;
  const int32_t columns = ColCount + 1;
  Data.Resize(columns, 2, false);
  FieldReader reader(RawText, LineEnd);
  Data.Reserve(RowsAtMost() + 2);
  std::string field;
  int16_t pos = 1;
  for (;;) {
    if (pos >= reader.Length()) return RowCount;
    Data.Resize(columns, Add16(RowCount, 1, "the number of CSV rows") + 1, true);
    for (int16_t col = 0; col < ColCount; ++col) {
      // A failed field is empty, and so is its cell.
      int16_t used = reader.ParseField(pos, col == ColCount - 1, field);
      Data.Set(col, RowCount, field);
      if (used < 0) {
        StoppedAt = Stop{used, HeaderLength + static_cast<size_t>(pos) - 1, HeaderLength};
        Data.Resize(columns, RowCount + 1, true);
        return Sub16(-1, RowCount, "a CSV row code");
      }
      pos = Add16(pos, used, "a CSV position");
    }
    RowCount = Add16(RowCount, 1, "the number of CSV rows");
  }
}

}  // namespace quorax
