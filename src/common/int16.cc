#include "common/int16.h"

#include <charconv>
#include <limits>
#include <string>

#include "common/errors.h"
#include "common/text.h"

namespace quorax {

int16_t ToInt16(int64_t value, std::string_view what) {
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max()) {
    throw Overflow(std::string(what) + " (" + std::to_string(value) +
                   ") is outside the range -32768..32767");
  }
  return static_cast<int16_t>(value);
}

int16_t Add16(int16_t a, int16_t b, std::string_view what) {
  return ToInt16(int64_t{a} + int64_t{b}, what);
}

int16_t Sub16(int16_t a, int16_t b, std::string_view what) {
  return ToInt16(int64_t{a} - int64_t{b}, what);
}

int16_t ParseInt16(std::string_view text, std::string_view what) {
  std::string_view digits = TrimSpaces(text);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int64_t value = 0;
  const char* end = digits.data() + digits.size();
  auto [ptr, ec] = std::from_chars(digits.data(), end, value);
  if (digits.empty() || ptr != end || ec == std::errc::invalid_argument) {
    throw InvalidArgument(std::string(what) + " \"" + std::string(text) + "\" is not a number");
  }
  if (ec == std::errc::result_out_of_range) {
    throw Overflow(std::string(what) + " \"" + std::string(text) +
                   "\" is outside the range -32768..32767");
  }
  return ToInt16(value, what);
}

}  // namespace quorax
