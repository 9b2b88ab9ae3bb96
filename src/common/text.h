#ifndef QUORAX_COMMON_TEXT_H_
#define QUORAX_COMMON_TEXT_H_

#include <string>
#include <string_view>

namespace quorax {

// Text is held as Windows-1252 bytes, one byte per character. Case rules
// apply to the ASCII letters only; every other byte compares as itself.

// Returns `text` with a-z mapped to A-Z.
std::string ToUpper(std::string_view text);

// True when a and b are equal apart from the case of ASCII letters.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Returns `text` without leading and trailing U+0020 spaces (tabs stay).
std::string_view TrimSpaces(std::string_view text);

// Appends the decimal digits of `number` (and "-" when negative) to `out`.
void AppendDecimal(std::string& out, long long number);

// `number` with a comma between each group of three digits, as a page shows
// a count or a size: "67,108,864", "-1,500".
std::string GroupedNumber(long long number);

// Escapes &, <, > and " for insertion into HTML text or attribute values.
std::string HtmlEscape(std::string_view text);

// Escapes as HtmlEscape does and also the apostrophe, for XML text or
// attribute values; control characters that XML does not allow become "?".
std::string XmlEscape(std::string_view text);

// Today's date on this machine's clock, in its time zone: "2026-12-08".
std::string Today();

}  // namespace quorax

#endif  // QUORAX_COMMON_TEXT_H_
