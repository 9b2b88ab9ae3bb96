#include "common/windows1252.h"

#include <array>
#include <cstdint>

namespace quorax {
namespace {

// The characters of the bytes 0x80..0x9F; the undefined bytes keep their own
// number. Every other byte is the character of the same number.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t CharacterOf(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The byte holding `c`, or '?' when Windows-1252 has none.
char ByteOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

// Decodes the UTF-8 sequence starting at text[pos]. Returns the number of
// bytes it uses and sets `c`; a malformed sequence uses one byte and gives
// U+FFFD.
size_t DecodeUtf8(std::string_view text, size_t pos, char32_t& c) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  size_t length = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    c = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, c = lead & 0x07;
  } else {
    c = 0xFFFD;
    return 1;
  }
  if (pos + length > text.size()) {
    c = 0xFFFD;
    return 1;
  }
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      c = 0xFFFD;
      return 1;
    }
    c = (c << 6) | (next & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  return length;
}

// True when the sequence at text[pos], which used `length` bytes and gave
// `c`, was malformed (as opposed to a U+FFFD written in the text).
bool Malformed(std::string_view text, size_t pos, size_t length, char32_t c) {
  return c == 0xFFFD && text.substr(pos, length) != "\xEF\xBF\xBD";
}

}  // namespace

std::string Utf8FromWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char byte : text) AppendUtf8(out, CharacterOf(static_cast<unsigned char>(byte)));
  return out;
}

std::string Windows1252FromUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    char32_t c = 0;
    pos += DecodeUtf8(text, pos, c);
    out += ByteOf(c);
  }
  return out;
}

size_t ConvertUtf8ToWindows1252(std::string_view text, std::string& out, bool& malformed) {
  out.reserve(out.size() + text.size());
  for (size_t pos = 0; pos < text.size();) {
    char32_t c = 0;
    const size_t length = DecodeUtf8(text, pos, c);
    const char byte = ByteOf(c);
    if (byte == '?' && c != U'?') {
      malformed = Malformed(text, pos, length, c);
      return pos;
    }
    out += byte;
    pos += length;
  }
  return std::string_view::npos;
}

bool IsUtf8BeyondAscii(std::string_view text) {
  bool beyond_ascii = false;
  for (size_t pos = 0; pos < text.size();) {
    char32_t c = 0;
    const size_t length = DecodeUtf8(text, pos, c);
    if (Malformed(text, pos, length, c)) return false;
    beyond_ascii = beyond_ascii || length > 1;
    pos += length;
  }
  return beyond_ascii;
}

}  // namespace quorax
