#include "outcomes/csv_row_error.h"

#include <array>
#include <cstdlib>

#include "common/text.h"
#include "outcomes/row_state.h"

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
  if (ErrorNumber < 0) text += "(" + std::to_string(ErrorNumber) + ")" + kLineEnd;
  for (const std::string& reason : Reasons()) text += reason + kLineEnd;
  return text;
}

std::vector<std::string> CSVRowError::Reasons() const {
  std::vector<std::string> reasons;
  if (StateOfCode(ErrorNumber) == RowState::Rejected) {
    const int flags = std::abs(static_cast<int>(ErrorNumber));
    for (const FailureFlag& flag : kFailureFlags) {
      if ((flags & flag.bit) != 0) reasons.emplace_back(flag.message);
    }
  }
  const std::string_view extra = TrimSpaces(ExtraInfo);
  if (!extra.empty()) reasons.emplace_back(extra);
  return reasons;
}

}  // namespace quorax
