#include "cli/terminal_text.h"

namespace quorax::cli {

std::string TerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size(); ++at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) continue;
    // U+0080..U+009F are encoded as C2 80..C2 9F.
    if (c == 0xC2 && at + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[at + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        ++at;
        continue;
      }
    }
    out += static_cast<char>(c);
  }
  return out;
}

}  // namespace quorax::cli
