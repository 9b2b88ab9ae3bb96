#include "common/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

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

TEST(TextTest, GroupedNumberPutsACommaBetweenGroupsOfThree) {
  const std::pair<long long, const char*> cases[] = {
      {0, "0"},
      {999, "999"},
      {1000, "1,000"},
      {-1500, "-1,500"},
      {-999, "-999"},
      {67108864, "67,108,864"},
      {LLONG_MIN, "-9,223,372,036,854,775,808"},
  };
  for (const auto& [number, text] : cases) EXPECT_EQ(GroupedNumber(number), text) << number;
}

}  // namespace
}  // namespace quorax
