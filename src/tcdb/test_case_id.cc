#include "tcdb/test_case_id.h"

#include <limits>

#include "common/text.h"

namespace quorax {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether the fraction's digits round the magnitude up: above one half, or
// exactly one half and the integer part odd.
bool RoundsUp(std::string_view fraction, bool integer_is_odd) {
  if (fraction.empty() || fraction[0] < '5') return false;
  if (fraction[0] > '5') return true;
  for (char c : fraction.substr(1)) {
    if (c != '0') return true;
  }
  return integer_is_odd;
}

}  // namespace

std::optional<int32_t> ParseTestCaseID(std::string_view text) {
  std::string_view rest = TrimSpaces(text);
  const bool negative = !rest.empty() && rest[0] == '-';
  if (!rest.empty() && (rest[0] == '-' || rest[0] == '+')) rest.remove_prefix(1);

  const size_t point = rest.find('.');
  const std::string_view integer = rest.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : rest.substr(point + 1);
  if (integer.empty() && fraction.empty()) return std::nullopt;
  for (char c : integer) {
    if (!IsDigit(c)) return std::nullopt;
  }
  for (char c : fraction) {
    if (!IsDigit(c)) return std::nullopt;
  }

  // The magnitude, stopped once it is beyond any 32-bit value.
  constexpr int64_t kBeyond = int64_t{1} << 32;
  int64_t magnitude = 0;
  for (char c : integer) {
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > kBeyond) return std::nullopt;
  }
  if (RoundsUp(fraction, magnitude % 2 == 1)) ++magnitude;

  const int64_t value = negative ? -magnitude : magnitude;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

}  // namespace quorax
