#include "common/windows1252.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace quorax {
namespace {

TEST(Windows1252Test, EveryByteSurvivesTheRoundTrip) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(Windows1252FromUtf8(Utf8FromWindows1252(byte)), byte) << "byte " << b;
  }
}

// Each byte becomes its character; the bytes the code page leaves undefined
// become the control characters of the same number.
TEST(Windows1252Test, BytesBecomeTheirCharacters) {
  const std::pair<std::string, std::string> cases[] = {
      {"A~", "A~"},
      {"\x80", "\u20AC"},
      {"\x92", "\u2019"},
      {"\x9F", "\u0178"},
      {"\xA0\xE9\xFF", "\u00A0\u00E9\u00FF"},
      {"\x81\x8D\x8F\x90\x9D", "\u0081\u008D\u008F\u0090\u009D"},
  };
  for (const auto& [bytes, utf8] : cases) EXPECT_EQ(Utf8FromWindows1252(bytes), utf8) << bytes;
}

// A character without a byte, and each malformed sequence, becomes one "?".
TEST(Windows1252Test, WhatNoByteHoldsBecomesAQuestionMark) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\u0100b", "a?b"},
      // 0x80 is the euro sign, not U+0080.
      {"\u0080", "?"},
      {"\U0001F600!", "?!"},
      {"\xC3", "?"},
      {"\xC3(x", "?(x"},
      {"\xFF\xFE", "??"},
      // An overlong "/", and a surrogate.
      {"\xC0\xAF", "?"},
      {"\xED\xA0\x80", "?"},
  };
  for (const auto& [utf8, bytes] : cases) EXPECT_EQ(Windows1252FromUtf8(utf8), bytes) << utf8;
}

}  // namespace
}  // namespace quorax
