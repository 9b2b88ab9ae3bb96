#include <gtest/gtest.h>

#include "tcdb/tcdb.h"

namespace quorax {
namespace {

TEST(DatabaseErrorTextTest, NumberIsUpperCaseHexWithoutLeadingZeros) {
  EXPECT_EQ(DatabaseErrorText(-2147217843, "x"), "80040E4D:x");
  EXPECT_EQ(DatabaseErrorText(-2147467259, "x"), "80004005:x");
  EXPECT_EQ(DatabaseErrorText(-1, "x"), "FFFFFFFF:x");
  EXPECT_EQ(DatabaseErrorText(0, "x"), "0:x");
  EXPECT_EQ(DatabaseErrorText(0xABC, "x"), "ABC:x");
}

TEST(DatabaseErrorTextTest, OnlyRefusedCredentialsHaveTheirOwnNumber) {
  EXPECT_EQ(ProviderNumber(db::ErrorKind::kCredentials), -2147217843);
  for (const db::ErrorKind kind :
       {db::ErrorKind::kGeneral, db::ErrorKind::kConnection, db::ErrorKind::kUnavailable}) {
    EXPECT_EQ(ProviderNumber(kind), -2147467259);
  }
}

TEST(DatabaseErrorTextTest, MessageIsWhatFollowsTheLastBracket) {
  EXPECT_EQ(DatabaseErrorText(1, "[PostgreSQL][28P01]password authentication failed"),
            "1:password authentication failed");
  EXPECT_EQ(DatabaseErrorText(1, "[A][B][C]Login failed for user 'x'."),
            "1:Login failed for user 'x'.");
  EXPECT_EQ(DatabaseErrorText(1, "no brackets at all"), "1:no brackets at all");
  EXPECT_EQ(DatabaseErrorText(1, "[PostgreSQL]"), "1:");
  EXPECT_EQ(DatabaseErrorText(1, ""), "1:");
}

}  // namespace
}  // namespace quorax
