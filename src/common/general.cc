#include "common/general.h"

namespace quorax::General {

std::string EscapeChars(const std::string& Source, const std::string& Prefix,
                        const std::string& Chars) {
  std::string text = Source;
  for (char ch : Chars) {
    if (text.find(ch) == std::string::npos) continue;
    std::string escaped;
    escaped.reserve(text.size() + text.size() / 8 + Prefix.size());
    for (char c : text) {
      if (c == ch) escaped += Prefix;
      escaped += c;
    }
    text = std::move(escaped);
  }
  return text;
}

}  // namespace quorax::General
