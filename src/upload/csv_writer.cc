#include <string>

#include "common/errors.h"
#include "common/general.h"
#include "upload/csv.h"

namespace quorax {
namespace {

// Appends `text` as one CSV field: between quotes, its own quotes doubled.
void AppendQuoted(std::string& line, std::string_view text) {
  line += '"';
  line += General::EscapeChars(std::string(text), "\"", "\"");
  line += '"';
}

}  // namespace

std::string CSV::ExportHeaders() const {
  std::string line;
  if (ColCount < 1) return line;
  for (int16_t col = 0; col < ColCount; ++col) {
    if (col > 0) line += ',';
    AppendQuoted(line, Headers(col));
  }
  return line + "\r\n";
}

std::string CSV::ExportRow(int16_t RowNum) const {
  if (RowNum < 0) {
    throw SubscriptOutOfRange("the data row " + std::to_string(RowNum) + " does not exist");
  }
  std::string line;
  if (RowNum >= RowCount || ColCount <= 0) return line;
  for (int16_t col = 0; col < ColCount; ++col) {
    if (col > 0) line += ',';
    AppendQuoted(line, Data(col, RowNum));
  }
  return line + "\r\n";
}

std::string CSV::ExportData() const {
  std::string text;
  if (ColCount <= 0) return text;
  for (int16_t row = 0; row < RowCount; ++row) text += ExportRow(row);
  return text;
}

}  // namespace quorax
