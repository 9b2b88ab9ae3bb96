#include "common/general.h"

#include <gtest/gtest.h>

namespace quorax {
namespace {

TEST(EscapeCharsTest, PrefixesEachCharacterInTurnOnTheGrowingText) {
  EXPECT_EQ(General::EscapeChars("it's \"x\"", "\"", "\""), "it's \"\"x\"\"");
  EXPECT_EQ(General::EscapeChars("it's", "'", "'"), "it''s");
  EXPECT_EQ(General::EscapeChars("a-b+c", "\\", "-+"), "a\\-b\\+c");
  // The prefix added for '+' is itself escaped when '\' comes later.
  EXPECT_EQ(General::EscapeChars("a+b", "\\", "+\\"), "a\\\\+b");
  EXPECT_EQ(General::EscapeChars("abc", "", "b"), "abc");
}

}  // namespace
}  // namespace quorax
