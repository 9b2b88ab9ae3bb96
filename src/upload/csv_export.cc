#include <string>

#include "common/errors.h"
#include "rows/csv_writer.h"
#include "upload/csv.h"

namespace quorax {

std::string CSV::ExportHeaders() const {
  std::string line;
  if (ColCount < 1) return line;
  for (int16_t col = 0; col < ColCount; ++col) AppendCsvField(line, Headers(col), col == 0);
  return line + std::string(kCsvLineEnd);
}

std::string CSV::ExportRow(int16_t RowNum) const {
  if (RowNum < 0) {
    throw SubscriptOutOfRange("the data row " + std::to_string(RowNum) + " does not exist");
  }
  std::string line;
  if (RowNum >= RowCount || ColCount <= 0) return line;
  for (int16_t col = 0; col < ColCount; ++col) AppendCsvField(line, Data(col, RowNum), col == 0);
  return line + std::string(kCsvLineEnd);
}

std::string CSV::ExportData() const {
  std::string text;
  if (ColCount <= 0) return text;
  for (int16_t row = 0; row < RowCount; ++row) text += ExportRow(row);
  return text;
}

}  // namespace quorax
