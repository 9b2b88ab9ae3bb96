#ifndef QUORAX_COMMON_GENERAL_H_
#define QUORAX_COMMON_GENERAL_H_

#include <string>

namespace quorax::General {

// Returns `Source` with `Prefix` put before every occurrence of each
// character of `Chars`; the characters are handled one after the other, each
// on the text the previous one produced.
std::string EscapeChars(const std::string& Source, const std::string& Prefix,
                        const std::string& Chars);

}  // namespace quorax::General

#endif  // QUORAX_COMMON_GENERAL_H_
