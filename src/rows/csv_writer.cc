#include "rows/csv_writer.h"

#include "common/general.h"

namespace quorax {
namespace {

template <typename Text>
void AppendRecord(std::string& out, std::span<const Text> fields) {
  bool first = true;
  for (const Text& field : fields) {
    AppendCsvField(out, field, first);
    first = false;
  }
  out += kCsvLineEnd;
}

}  // namespace

void AppendCsvField(std::string& out, std::string_view text, bool first) {
  if (!first) out += ',';
  out += '"';
  out += General::EscapeChars(std::string(text), "\"", "\"");
  out += '"';
}

void AppendCsvRecord(std::string& out, std::span<const std::string> fields) {
  AppendRecord(out, fields);
}

void AppendCsvRecord(std::string& out, std::span<const std::string_view> fields) {
  AppendRecord(out, fields);
}

void AppendCsvCells(std::string& out, const RowTable& table, int32_t row) {
  for (int32_t col = 0; col < table.Columns(); ++col) {
    AppendCsvField(out, table.Cell(row, col), col == 0);
  }
}

}  // namespace quorax
