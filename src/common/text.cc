#include "common/text.h"

#include <charconv>
#include <ctime>

namespace quorax {
namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string ToUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = UpperAscii(c);
  return upper;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // the common case, compared a block at a time
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

std::string_view TrimSpaces(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

namespace {

// Appends `c` to `out` as markup text: &, <, > and " as entities; for XML
// also the apostrophe, and control characters that XML does not allow as "?".
void AppendEscaped(char c, bool xml, std::string& out) {
  switch (c) {
    case '&':
      out += "&amp;";
      return;
    case '<':
      out += "&lt;";
      return;
    case '>':
      out += "&gt;";
      return;
    case '"':
      out += "&quot;";
      return;
    default:
      break;
  }
  if (!xml) {
    out += c;
  } else if (c == '\'') {
    out += "&apos;";
  } else {
    const bool allowed =
        static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r';
    out += allowed ? c : '?';
  }
}

std::string Escaped(std::string_view text, bool xml) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendEscaped(c, xml, out);
  return out;
}

}  // namespace

void AppendDecimal(std::string& out, long long number) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

std::string HtmlEscape(std::string_view text) { return Escaped(text, false); }

std::string XmlEscape(std::string_view text) { return Escaped(text, true); }

std::string GroupedNumber(long long number) {
  std::string digits;
  AppendDecimal(digits, number);
  const size_t sign = number < 0 ? 1 : 0;
  for (size_t at = digits.size(); at > sign + 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

std::string Today() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  char day[16];
  strftime(day, sizeof day, "%Y-%m-%d", &local);
  return day;
}

}  // namespace quorax
