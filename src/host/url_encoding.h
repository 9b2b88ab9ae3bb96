#ifndef QUORAX_HOST_URL_ENCODING_H_
#define QUORAX_HOST_URL_ENCODING_H_

#include <map>
#include <string>
#include <string_view>

namespace quorax {

// Decoded name/value pairs of a query string or URL-encoded form, keyed by
// the upper-cased name so that look-ups ignore case. A name given twice
// keeps its first value.
using UrlValues = std::map<std::string, std::string>;

// Decodes "+" to a space and "%XX" to that byte. A "%" not followed by two
// hexadecimal digits stays as written.
std::string DecodeUrlComponent(std::string_view text);

// Splits "a=1&b=2" into decoded pairs. A pair without "=" has an empty
// value; empty pairs are skipped.
UrlValues ParseUrlEncoded(std::string_view text);

// Returns the value stored under `name` (any case), or "" when absent.
std::string LookUp(const UrlValues& values, const std::string& name);

}  // namespace quorax

#endif  // QUORAX_HOST_URL_ENCODING_H_
