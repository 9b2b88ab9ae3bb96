#ifndef QUORAX_COMMON_INT16_H_
#define QUORAX_COMMON_INT16_H_

#include <cstdint>
#include <string_view>

namespace quorax {

// Checked 16-bit arithmetic. Counts, positions and row numbers of the parsing,
// import and reporting code are int16_t; a value that leaves -32768..32767
// raises Overflow (naming `what`) instead of wrapping.

// Returns `value` as int16_t. Raises Overflow when it does not fit.
int16_t ToInt16(int64_t value, std::string_view what = "a 16-bit value");

// Returns a + b, a - b. Raises Overflow when the result does not fit.
int16_t Add16(int16_t a, int16_t b, std::string_view what = "a 16-bit sum");
int16_t Sub16(int16_t a, int16_t b, std::string_view what = "a 16-bit difference");

// Converts decimal text (surrounding spaces allowed, an optional sign) to
// int16_t. Raises InvalidArgument for text that is not an integer and
// Overflow for one outside -32768..32767.
int16_t ParseInt16(std::string_view text, std::string_view what = "the value");

}  // namespace quorax

#endif  // QUORAX_COMMON_INT16_H_
