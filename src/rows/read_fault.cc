#include "rows/read_fault.h"

#include <algorithm>
#include <array>

namespace quorax {
namespace {

// The words around the line number for each field code of the reader.
struct FaultWords {
  int16_t FieldCode;
  const char* BeforeLine;
  const char* AfterLine;
};

constexpr std::array<FaultWords, 8> kFaultWords = {{
    {-1, "the quote opened on line ", " is never closed"},
    {-2, "the quoted field opened on line ", " ends the file without a line end"},
    {-3, "the row's last field, quoted from line ",
     ", is followed by more text instead of the line end"},
    {-4, "a field quoted from line ", " is followed by more text instead of a comma"},
    {-5, "line ", " has no line end"},
    {-6, "line ", " has more fields than the header line's @ columns"},
    {-7, "line ", " has fewer fields than the header line's @ columns"},
    {-8, "line ", " has fewer fields than the header line's @ columns"},
}};

}  // namespace

std::string ReadFaultCause(const CSV& table, std::string_view text, int32_t first_row_line) {
  const CSV::Stop stop = table.Stopped();
  const auto words = std::find_if(kFaultWords.begin(), kFaultWords.end(), [&](const FaultWords& w) {
    return w.FieldCode == stop.FieldCode;
  });
  if (words == kFaultWords.end()) return "";
  const size_t rows = std::min(stop.RowsOffset, text.size());
  const std::string_view before = text.substr(rows, std::min(stop.Offset, text.size()) - rows);
  const auto line = first_row_line + std::count(before.begin(), before.end(), '\n');
  std::string after = words->AfterLine;
  if (const size_t at = after.find('@'); at != std::string::npos) {
    after.replace(at, 1, std::to_string(table.GetCols()));
  }
  return words->BeforeLine + std::to_string(line) + after;
}

}  // namespace quorax
