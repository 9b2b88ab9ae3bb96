#ifndef QUORAX_DATABASE_WINDOWS1252_H_
#define QUORAX_DATABASE_WINDOWS1252_H_

#include <string>
#include <string_view>

namespace quorax::db {

// Returns `text` (Windows-1252 bytes) as UTF-8. Every byte maps to one
// character; the five bytes that Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the control characters of the same number, so no
// byte is ever refused.
std::string Utf8FromWindows1252(std::string_view text);

// Returns `text` (UTF-8) as Windows-1252 bytes; the inverse of
// Utf8FromWindows1252. A character that Windows-1252 cannot hold, and a
// malformed sequence, becomes "?".
std::string Windows1252FromUtf8(std::string_view text);

}  // namespace quorax::db

#endif  // QUORAX_DATABASE_WINDOWS1252_H_
