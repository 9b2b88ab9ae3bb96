#include "outcomes/csv_row_error.h"

#include <array>
#include <cstdlib>

#include "common/text.h"

namespace quorax {
namespace {

struct FailureFlag {
  int bit;
  const char* message;
};

constexpr std::array<FailureFlag, 8> kFailureFlags = {{
    {1, "Missing parameter or NULL passed in a required field."},
    {2, "TestcaseID does not exist."},
    {4, "TestDate is in the future."},
    {8, "Version was not found."},
    {16, "Platform/Browser combination invalid for the area that the test case is in."},
    {32, "Invalid result (not 'P', 'F' or 'U')."},
    {64, "Tester not found."},
    {128, "Entry possibly exists. Manual verification and entry required."},
}};

constexpr const char* kLineEnd = "\r\n";

}  // namespace

std::string CSVRowError::GetDescription() const {
  std::string text;
  if (ErrorNumber < 0) {
    text += "(" + std::to_string(ErrorNumber) + ")" + kLineEnd;
    const int flags = std::abs(static_cast<int>(ErrorNumber));
    for (const FailureFlag& flag : kFailureFlags) {
      if ((flags & flag.bit) != 0) {
        text += flag.message;
        text += kLineEnd;
      }
    }
  }
  std::string_view extra = TrimSpaces(ExtraInfo);
  if (!extra.empty()) {
    text += extra;
    text += kLineEnd;
  }
  return text;
}

}  // namespace quorax
