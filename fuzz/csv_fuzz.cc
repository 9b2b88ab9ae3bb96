// Feeds arbitrary bytes to CSV::ProcessCSV. Only Overflow may escape; the
// result is 0, -2 or -3; every row is as wide as the header and numbered in
// order; and the data rows, written out and read back, come back cell for cell.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/errors.h"
#include "rows/csv.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckShape(const quorax::CSV& csv) {
  const quorax::RowTable& rows = csv.Rows();
  Require(rows.Columns() == csv.GetCols() && rows.RowCount() == csv.GetRows());
  int32_t line = 0;
  for (int32_t row = 0; row < rows.RowCount(); ++row) {
    const quorax::RowOrigin origin = rows.Origin(row);
    Require(origin.row == row + 1 && origin.line > line && origin.test.empty());
    line = origin.line;
  }
}

void CheckRoundTrip(const quorax::CSV& csv) {
  quorax::CSV copy;
  int16_t result;
  try {
    result = copy.ProcessCSV(csv.ExportHeaders() + csv.ExportData());
  } catch (const quorax::Overflow&) {
    return;  // quoting made the text longer than the reader's limits
  }
  Require(result == (csv.GetRows() > 0 ? 0 : -3));
  Require(copy.GetCols() == csv.GetCols() && copy.GetRows() == csv.GetRows());
  for (int16_t row = 0; row < csv.GetRows(); ++row) {
    for (int16_t col = 0; col < csv.GetCols(); ++col) {
      Require(copy.Rows().Cell(row, col) == csv.Rows().Cell(row, col));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  quorax::CSV csv;
  int16_t result;
  try {
    result = csv.ProcessCSV(text);
  } catch (const quorax::Overflow&) {
    return 0;
  }
  Require(result == 0 || result == -2 || result == -3);
  if (result == -2) return 0;
  CheckShape(csv);
  CheckRoundTrip(csv);
  return 0;
}
