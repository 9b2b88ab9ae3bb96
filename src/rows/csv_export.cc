#include <string>

#include "common/errors.h"
#include "rows/csv.h"
#include "rows/csv_writer.h"

namespace quorax {

std::string CSV::ExportHeaders() const {
  std::string line;
  if (Table.Columns() > 0) AppendCsvRecord(line, Table.Header());
  return line;
}

std::string CSV::ExportRow(int16_t RowNum) const {
  if (RowNum < 0) {
    throw SubscriptOutOfRange("the data row " + std::to_string(RowNum) + " does not exist");
  }
  std::string line;
  if (RowNum >= Table.RowCount() || Table.Columns() <= 0) return line;
  AppendCsvCells(line, Table, RowNum);
  return line + std::string(kCsvLineEnd);
}

std::string CSV::ExportData() const {
  std::string text;
  for (int16_t row = 0; row < GetRows(); ++row) text += ExportRow(row);
  return text;
}

}  // namespace quorax
