#include "host/template.h"

#include <cassert>
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
// Candidates are found by a plain search for the first character, which has
// no case.
// REQUIRES: `needle` starts with '<'.
size_t FindIgnoreCase(std::string_view text, std::string_view needle, size_t from) {
  assert(!needle.empty() && needle.front() == '<');
  for (size_t at = text.find('<', from); at != std::string_view::npos;
       at = text.find('<', at + 1)) {
    if (at + needle.size() > text.size()) break;
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

PageTemplate::PageTemplate(std::string_view text) {
  size_t copied = 0;
  size_t at = FindIgnoreCase(text, kOpenPrefix, 0);
  while (at != std::string_view::npos) {
    TagMatch match;
    if (!MatchTag(text, at, match)) {
      at = FindIgnoreCase(text, kOpenPrefix, at + 1);
      continue;
    }
    tags_.push_back({std::string(text.substr(copied, match.begin - copied)), std::move(match.name),
                     std::string(match.contents)});
    copied = match.end;
    at = FindIgnoreCase(text, kOpenPrefix, copied);
  }
  tail_ = text.substr(copied);
  size_ = text.size();
}

std::string PageTemplate::Render(const TagHandler& on_tag) const {
  std::string out;
  // Room for tags that write more than the template holds, so that the page
  // is written without growing its buffer.
  out.reserve(size_ + size_ / 4);
  std::string contents;  // one buffer for every tag's contents
  for (const Tag& tag : tags_) {
    out += tag.before;
    contents.assign(tag.contents);
    bool send_tags = false;
    on_tag(tag.name, contents, send_tags);
    if (send_tags) out.append("<").append(tag.name).append(">");
    out += contents;
    if (send_tags) out.append("</").append(tag.name).append(">");
  }
  out += tail_;
  return out;
}

std::string RenderTemplate(std::string_view text, const TagHandler& on_tag) {
  return PageTemplate(text).Render(on_tag);
}

}  // namespace quorax
