#include "tcdb/test_case_id.h"

#include <gtest/gtest.h>

namespace quorax {
namespace {

TEST(ParseTestCaseIDTest, ReadsIntegersWithSpacesAndSign) {
  EXPECT_EQ(ParseTestCaseID("12"), 12);
  EXPECT_EQ(ParseTestCaseID("  12  "), 12);
  EXPECT_EQ(ParseTestCaseID("+12"), 12);
  EXPECT_EQ(ParseTestCaseID("-12"), -12);
  EXPECT_EQ(ParseTestCaseID("007"), 7);
  EXPECT_EQ(ParseTestCaseID("40000"), 40000);
}

TEST(ParseTestCaseIDTest, RoundsFractionsHalvesToEven) {
  EXPECT_EQ(ParseTestCaseID(" 7.5 "), 8);
  EXPECT_EQ(ParseTestCaseID("6.5"), 6);
  EXPECT_EQ(ParseTestCaseID("6.50000000000000000001"), 7);
  EXPECT_EQ(ParseTestCaseID("6.49999999999999999999"), 6);
  EXPECT_EQ(ParseTestCaseID("-1.5"), -2);
  EXPECT_EQ(ParseTestCaseID("-0.5"), 0);
  EXPECT_EQ(ParseTestCaseID(".5"), 0);
  EXPECT_EQ(ParseTestCaseID("7."), 7);
}

TEST(ParseTestCaseIDTest, RangeIsThatOfA32BitInteger) {
  EXPECT_EQ(ParseTestCaseID("2147483647"), 2147483647);
  EXPECT_EQ(ParseTestCaseID("2147483648"), std::nullopt);
  EXPECT_EQ(ParseTestCaseID("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseTestCaseID("-2147483649"), std::nullopt);
  EXPECT_EQ(ParseTestCaseID("2147483646.5"), 2147483646);
  EXPECT_EQ(ParseTestCaseID("2147483647.5"), std::nullopt);
  EXPECT_EQ(ParseTestCaseID("99999999999999999999999"), std::nullopt);
}

TEST(ParseTestCaseIDTest, AnythingElseIsNotANumber) {
  for (const char* text : {"abc", "", "   ", "+", "-", ".", "12a", "1 2", "1e3", "1,000", "0x10",
                           "\t7", "7\t", "1..2", "--1", "1'2"}) {
    EXPECT_EQ(ParseTestCaseID(text), std::nullopt) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace quorax
