#include "runners/converted_csv.h"

#include <array>
#include <string_view>

namespace quorax::runners {
namespace {

// The header line of the upload file, then the test's full name.
constexpr std::array<std::string_view, 10> kHeadings{"TCID",    "TestDate", "Version", "Platform",
                                                     "Browser", "Result",   "Tester",  "PR",
                                                     "Notes",   "Test"};

void AppendField(std::string& out, std::string_view field, bool last) {
  out += '"';
  for (const char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += last ? "\"\r\n" : "\",";
}

}  // namespace

std::string ConvertedCsv(const Mapping& mapping) {
  std::string out;
  for (size_t i = 0; i < kHeadings.size(); ++i)
    AppendField(out, kHeadings[i], i + 1 == kHeadings.size());
  for (const MappedRow& mapped : mapping.rows) {
    for (const ResultColumn& column : kResultColumns)
      AppendField(out, mapped.row.*column.Cell, false);
    AppendField(out, mapped.test, true);
  }
  return out;
}

}  // namespace quorax::runners
