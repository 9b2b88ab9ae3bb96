#include "outcomes/csv_row_error.h"

#include <array>
#include <cstdlib>

#include "common/text.h"
#include "outcomes/row_state.h"

namespace quorax {
namespace {

// The reason each failure flag gives: entry i is flag 1 << i of a rejected
// row's code, read from its magnitude.
constexpr std::array<const char*, 8> kFlagReasons = {
    "Missing parameter or NULL passed in a required field.",
    "TestcaseID does not exist.",
    "TestDate is in the future.",
    "Version was not found.",
    "Platform/Browser combination invalid for the area that the test case is in.",
    "Invalid result (not 'P', 'F' or 'U').",
    "Tester not found.",
    "Entry possibly exists. Manual verification and entry required.",
};

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
    for (size_t flag = 0; flag < kFlagReasons.size(); ++flag) {
      if ((flags & (1 << flag)) != 0) reasons.emplace_back(kFlagReasons[flag]);
    }
  }
  const std::string_view extra = TrimSpaces(ExtraInfo);
  if (!extra.empty()) reasons.emplace_back(extra);
  return reasons;
}

}  // namespace quorax
