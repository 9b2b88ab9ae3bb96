#include "contract/page_contract.h"

namespace quorax::contract {

const char* StartStatusToken(int16_t code) {
  switch (code) {
    case kSignInRefused:
      return "sign-in-refused";
    case kDatabaseUnreachable:
      return "database-unreachable";
    case kConnectionLost:
      return "connection-lost";
    case kLoggedOut:
      return "logged-out";
    case kThrottled:
      return "throttled";
    case kSessionTimedOut:
      return kSessionEnded;
    default:
      return kStartPage;
  }
}

std::string ReasonHeaderValue(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string value;
  for (unsigned char c : text) {
    if (c == '%' || c < 0x20 || c >= 0x7F) {
      value += '%';
      value += kHex[c >> 4];
      value += kHex[c & 15];
    } else {
      value += static_cast<char>(c);
    }
  }
  return value;
}

std::string ReasonText(std::string_view value) {
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string text;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '%' && i + 2 < value.size() && digit(value[i + 1]) >= 0 &&
        digit(value[i + 2]) >= 0) {
      text += static_cast<char>(digit(value[i + 1]) * 16 + digit(value[i + 2]));
      i += 2;
    } else {
      text += value[i];
    }
  }
  return text;
}

}  // namespace quorax::contract
