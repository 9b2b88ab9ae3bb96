#include "host/url_encoding.h"

#include "common/text.h"

namespace quorax {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string DecodeUrlComponent(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

UrlValues ParseUrlEncoded(std::string_view text) {
  UrlValues values;
  while (!text.empty()) {
    size_t amp = text.find('&');
    std::string_view pair = text.substr(0, amp);
    text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
    if (pair.empty()) continue;
    size_t equals = pair.find('=');
    std::string name = ToUpper(DecodeUrlComponent(pair.substr(0, equals)));
    std::string value =
        equals == std::string_view::npos ? "" : DecodeUrlComponent(pair.substr(equals + 1));
    values.emplace(std::move(name), std::move(value));
  }
  return values;
}

std::string LookUp(const UrlValues& values, const std::string& name) {
  auto it = values.find(ToUpper(name));
  return it == values.end() ? "" : it->second;
}

}  // namespace quorax
