#ifndef QUORAX_TCDB_TEST_CASE_ID_H_
#define QUORAX_TCDB_TEST_CASE_ID_H_

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorax {

// Reads a test-case id as a number is read from text: spaces (U+0020) around
// it are allowed, an optional sign, decimal digits with an optional fraction
// ("7.5", ".5", "7."), which is rounded to the nearest integer, halves to the
// even one. Returns nothing when the text is not such a number or the rounded
// value lies outside the 32-bit signed range.
std::optional<int32_t> ParseTestCaseID(std::string_view text);

}  // namespace quorax

#endif  // QUORAX_TCDB_TEST_CASE_ID_H_
