#ifndef QUORAX_COMMON_WINDOWS1252_H_
#define QUORAX_COMMON_WINDOWS1252_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace quorax {

// Returns `text` (Windows-1252 bytes) as UTF-8. Every byte maps to one
// character; the five bytes that Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the control characters of the same number, so no
// byte is ever refused.
std::string Utf8FromWindows1252(std::string_view text);

// Returns `text` (UTF-8) as Windows-1252 bytes; the inverse of
// Utf8FromWindows1252. A character that Windows-1252 cannot hold, and a
// malformed sequence, becomes "?".
std::string Windows1252FromUtf8(std::string_view text);

// Converts UTF-8 `text` to Windows-1252, appending to `out`. Returns npos when
// every character has a byte; otherwise the byte offset in `text` of the
// first malformed sequence or character without a byte, with `out` holding
// the conversion of the text before it and `malformed` telling which.
size_t ConvertUtf8ToWindows1252(std::string_view text, std::string& out, bool& malformed);

// True when `text` is well-formed UTF-8 and holds at least one character
// beyond ASCII (a sequence of two bytes or more).
bool IsUtf8BeyondAscii(std::string_view text);

}  // namespace quorax

#endif  // QUORAX_COMMON_WINDOWS1252_H_
