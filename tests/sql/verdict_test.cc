#include <gtest/gtest.h>

#include <string>

#include "database/test_database.h"
#include "tcdb/tcdb.h"
#include "tcdb/tcdb_fixture.h"

namespace quorax {
namespace {

using testdb::DemoRow;

// The reference procedures' verdicts, through the demo login. All rows of a
// test go through one TCDB, so each also shows that the command is ready for
// the next row after a verdict.
class VerdictTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QUORAX_REQUIRE_DATABASE();
    ASSERT_EQ(db_.Connect(testdb::Dsn(), "demo", "demo"), 0);
  }

  template <typename Change>
  int16_t VerifyWith(Change change) {
    ResultRow row = DemoRow();
    change(row);
    return db_.VerifyResult(row);
  }

  TCDB db_;
};

TEST_F(VerdictTest, CleanRowsVerify) {
  EXPECT_EQ(VerifyWith([](ResultRow&) {}), 0);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.Result = "Pass"; }), 0);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.Tester = "o'brien"; }), 0);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.TestDate = "6/15/2023"; }), 0);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.Platform = "windows 11"; }), 0);
  EXPECT_EQ(VerifyWith([](ResultRow& r) {
              r.TestCaseID = "40000";
              r.Version = "3.0-beta";
            }),
            0);
}

TEST_F(VerdictTest, EachMissingRequiredValueIsFlag1) {
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.TestCaseID = ""; }), -1);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.TestCaseID = "abc"; }), -1);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.TestDate = ""; }), -1);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.TestDate = "2024-02-30"; }), -1);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.TestDate = "soon"; }), -1);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.Version = ""; }), -1);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.Platform = ""; }), -1);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.Browser = " "; }), -1);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.Result = ""; }), -1);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.Tester = ""; }), -1);
  // PR and Notes are optional.
  EXPECT_EQ(VerifyWith([](ResultRow& r) {
              r.PR = "PR-1";
              r.Notes = "seen once";
            }),
            0);
}

TEST_F(VerdictTest, EachFlagOnItsOwn) {
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.TestCaseID = "999"; }), -2);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.TestDate = "2999-01-01"; }), -4);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.Version = "9.9"; }), -8);
  EXPECT_EQ(VerifyWith([](ResultRow& r) {
              r.TestCaseID = "26";  // Administration: Chrome and Edge only
              r.Browser = "Firefox";
            }),
            -16);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.Platform = "Amiga"; }), -16);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.Result = "X"; }), -32);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.Result = "pass"; }), -32);
  EXPECT_EQ(VerifyWith([](ResultRow& r) { r.Tester = "zoe"; }), -64);
  EXPECT_EQ(VerifyWith([](ResultRow& r) {  // recorded in the demo data
              r.TestCaseID = "1";
              r.TestDate = "2024-03-01";
              r.Version = "2.0";
            }),
            -128);
}

TEST_F(VerdictTest, FlagsAddUp) {
  EXPECT_EQ(VerifyWith([](ResultRow& r) {
              r.TestCaseID = "999";
              r.TestDate = "2999-01-01";
              r.Version = "9.9";
              r.Result = "X";
              r.Tester = "zoe";
            }),
            -(2 + 4 + 8 + 32 + 64));
  EXPECT_EQ(VerifyWith([](ResultRow& r) {
              r.TestCaseID = "";
              r.Tester = "zoe";
            }),
            -(1 + 64));
}

TEST_F(VerdictTest, InsertRecordsOnlyCleanRowsAndOnlyOnce) {
  QUORAX_REQUIRE_ADMIN();
  const std::string where =
      "FROM tcdb.results WHERE test_case_id = 44 AND test_date = '2024-05-05'";
  testdb::AdminQuery("DELETE " + where);
  // Every cell set, so that each must arrive in the table as given. Each call
  // gets a copy: a call escapes its row in place.
  const ResultRow row{"44", "2024-05-05", "1.0",  "iOS 17",   "Safari",
                      "P",  "o'brien",    "PR-7", "it's fine"};

  ResultRow rejected = row;
  rejected.Version = "9.9";
  EXPECT_EQ(db_.InsertResult(rejected), -8);
  EXPECT_EQ(testdb::AdminQuery("SELECT count(*) " + where), "0");

  ResultRow first = row;
  EXPECT_EQ(db_.InsertResult(first), 0);
  EXPECT_EQ(testdb::AdminQuery("SELECT pr || '|' || notes || '|' || entered_by " + where),
            "PR-7|it's fine|demo");
  ResultRow again = row;
  EXPECT_EQ(db_.InsertResult(again), -128);
  ResultRow verify = row;
  EXPECT_EQ(db_.VerifyResult(verify), -128);
  EXPECT_EQ(testdb::AdminQuery("SELECT count(*) " + where), "1");
}

}  // namespace
}  // namespace quorax
