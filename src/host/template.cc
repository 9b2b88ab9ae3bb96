#include "host/template.h"

#include <cctype>

#include "common/text.h"

namespace quorax {

namespace {

constexpr std::string_view kOpenPrefix = "<WC@";

// True when `text` starts with `prefix`, letters compared without regard to case.
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// Returns the position of the first occurrence of `needle` in `text` at or
// after `from`, letters compared without regard to case; npos when absent.
size_t FindIgnoreCase(std::string_view text, std::string_view needle, size_t from) {
  for (size_t at = from; at + needle.size() <= text.size(); ++at) {
    if (StartsWithIgnoreCase(text.substr(at), needle)) return at;
  }
  return std::string_view::npos;
}

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-' || c == '.';
}

// A complete tag found in the text: the opening tag starts at `begin`, the
// closing tag ends just before `end`.
struct TagMatch {
  size_t begin = 0;
  size_t end = 0;
  std::string name;  // "WC@NAME" as written in the opening tag
  std::string_view contents;
};

// Reads the tag whose opening "<WC@" is at `at`. Returns false when the text
// there is not a complete tag (no name, no '>', or no closing tag).
bool MatchTag(std::string_view text, size_t at, TagMatch& match) {
  size_t name_end = at + kOpenPrefix.size();
  while (name_end < text.size() && IsNameChar(text[name_end])) ++name_end;
  if (name_end == at + kOpenPrefix.size() || name_end >= text.size() || text[name_end] != '>') {
    return false;
  }
  std::string_view name = text.substr(at + 1, name_end - at - 1);
  std::string closing = "</" + std::string(name) + ">";
  size_t close_at = FindIgnoreCase(text, closing, name_end + 1);
  if (close_at == std::string_view::npos) return false;
  match.begin = at;
  match.end = close_at + closing.size();
  match.name = std::string(name);
  match.contents = text.substr(name_end + 1, close_at - name_end - 1);
  return true;
}

}  // namespace

std::string RenderTemplate(std::string_view text, const TagHandler& on_tag) {
  std::string out;
  out.reserve(text.size());
  size_t copied = 0;
  size_t at = FindIgnoreCase(text, kOpenPrefix, 0);
  while (at != std::string_view::npos) {
    TagMatch match;
    if (!MatchTag(text, at, match)) {
      at = FindIgnoreCase(text, kOpenPrefix, at + 1);
      continue;
    }
    out.append(text.substr(copied, match.begin - copied));
    std::string contents(match.contents);
    bool send_tags = false;
    on_tag(match.name, contents, send_tags);
    if (send_tags) out += "<" + match.name + ">";
    out += contents;
    if (send_tags) out += "</" + match.name + ">";
    copied = match.end;
    at = FindIgnoreCase(text, kOpenPrefix, copied);
  }
  out.append(text.substr(copied));
  return out;
}

}  // namespace quorax
