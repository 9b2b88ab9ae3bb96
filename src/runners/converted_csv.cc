#include "runners/converted_csv.h"

#include <array>
#include <string_view>

#include "rows/csv_writer.h"

namespace quorax::runners {
namespace {

// The header line of the upload file, then the test's full name.
constexpr std::array<std::string_view, 10> kHeadings{"TCID",    "TestDate", "Version", "Platform",
                                                     "Browser", "Result",   "Tester",  "PR",
                                                     "Notes",   "Test"};

}  // namespace

std::string ConvertedCsv(const Mapping& mapping) {
  std::string out;
  AppendCsvRecord(out, kHeadings);
  for (const MappedRow& mapped : mapping.rows) {
    bool first = true;
    for (const ResultColumn& column : kResultColumns) {
      AppendCsvField(out, mapped.row.*column.Cell, first);
      first = false;
    }
    AppendCsvField(out, mapped.test, false);
    out += kCsvLineEnd;
  }
  return out;
}

}  // namespace quorax::runners
