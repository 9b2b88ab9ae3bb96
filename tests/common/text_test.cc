#include "common/text.h"

#include <gtest/gtest.h>

namespace quorax {
namespace {

TEST(TextTest, CaseRulesTouchOnlyAsciiLetters) {
  EXPECT_EQ(ToUpper("csvFile-9\xe9"), "CSVFILE-9\xe9");
  EXPECT_TRUE(EqualsIgnoreCase("WebClass_Start", "WEBCLASS_START"));
  EXPECT_FALSE(EqualsIgnoreCase("abc", "abcd"));
  EXPECT_FALSE(EqualsIgnoreCase("\xe9", "\xc9"));
}

TEST(TextTest, TrimRemovesSpacesOnlyNotTabs) {
  EXPECT_EQ(TrimSpaces("  a b  "), "a b");
  EXPECT_EQ(TrimSpaces("\ta\t"), "\ta\t");
  EXPECT_EQ(TrimSpaces("    "), "");
  EXPECT_EQ(TrimSpaces(""), "");
}

TEST(TextTest, HtmlEscapeNeutralisesMarkup) {
  EXPECT_EQ(HtmlEscape("<script>alert(\"x&y\")</script>"),
            "&lt;script&gt;alert(&quot;x&amp;y&quot;)&lt;/script&gt;");
  EXPECT_EQ(HtmlEscape("it's  fine"), "it's  fine");
}

}  // namespace
}  // namespace quorax
