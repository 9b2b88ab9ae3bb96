#include "common/windows1252.h"

#include <gtest/gtest.h>

#include <string>

namespace quorax {
namespace {

TEST(Windows1252Test, EveryByteSurvivesTheRoundTrip) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(Windows1252FromUtf8(Utf8FromWindows1252(byte)), byte) << "byte " << b;
  }
}

TEST(Windows1252Test, BytesBecomeTheirCharacters) {
  EXPECT_EQ(Utf8FromWindows1252("A~"), "A~");
  EXPECT_EQ(Utf8FromWindows1252("\x80"), "\u20AC");
  EXPECT_EQ(Utf8FromWindows1252("\x92"), "\u2019");
  EXPECT_EQ(Utf8FromWindows1252("\x9F"), "\u0178");
  EXPECT_EQ(Utf8FromWindows1252("\xA0\xE9\xFF"), "\u00A0\u00E9\u00FF");
}

TEST(Windows1252Test, UndefinedBytesBecomeControlCharacters) {
  EXPECT_EQ(Utf8FromWindows1252("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
}

TEST(Windows1252Test, CharactersWithoutAByteBecomeQuestionMarks) {
  EXPECT_EQ(Windows1252FromUtf8("a\u0100b"), "a?b");
  EXPECT_EQ(Windows1252FromUtf8("\u0080"), "?");  // 0x80 is the euro sign, not U+0080
  EXPECT_EQ(Windows1252FromUtf8("\U0001F600!"), "?!");
}

TEST(Windows1252Test, MalformedUtf8BecomesQuestionMarks) {
  EXPECT_EQ(Windows1252FromUtf8("\xC3"), "?");
  EXPECT_EQ(Windows1252FromUtf8("\xC3(x"), "?(x");
  EXPECT_EQ(Windows1252FromUtf8("\xFF\xFE"), "??");
  EXPECT_EQ(Windows1252FromUtf8("\xC0\xAF"), "?");      // overlong "/"
  EXPECT_EQ(Windows1252FromUtf8("\xED\xA0\x80"), "?");  // surrogate
}

}  // namespace
}  // namespace quorax
