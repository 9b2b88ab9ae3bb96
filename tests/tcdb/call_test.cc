#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "database/test_database.h"
#include "tcdb/tcdb.h"
#include "tcdb/tcdb_fixture.h"

namespace quorax {
namespace {

using testdb::DemoRow;

// Calls as quorax_test, whose verify_result (fixtures.sql) answers by
// "Tester": a fixed verdict, or otherwise a database error that lists the
// values exactly as the procedure received them.
class CallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QUORAX_REQUIRE_ADMIN();
    ASSERT_EQ(db_.Connect(testdb::Dsn(), testdb::kTestUser, testdb::kTestPassword), 0);
  }

  int16_t VerdictFor(const std::string& tester) {
    ResultRow row = DemoRow();
    row.Tester = tester;
    return db_.VerifyResult(row);
  }

  // What the procedure received for `row`, as "received <values joined by |>".
  std::string Received(ResultRow& row) {
    row.Tester = "echo";
    EXPECT_EQ(db_.VerifyResult(row), -259);
    const std::string text = db_.GetErrorString();
    const std::string prefix = "80004005:received ";
    EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
    return text.substr(prefix.size());
  }

  TCDB db_;
};

TEST_F(CallTest, VerdictIsReturnedAsTheProcedureSetIt) {
  EXPECT_EQ(VerdictFor("positive-verdict"), 5);
  EXPECT_EQ(VerdictFor("lowest-verdict"), -32768);
}

TEST_F(CallTest, VerdictThatIsNullOrBeyond16BitsGivesZero) {
  EXPECT_EQ(VerdictFor("null-verdict"), 0);
  EXPECT_EQ(VerdictFor("big-verdict"), 0);
}

TEST_F(CallTest, ApostrophesArriveDoubledAndResultCutUnescaped) {
  ResultRow row{"2", "2023-06-15", "v'1", "p", "b", "'Pass", "", "''", "it's fine"};
  EXPECT_EQ(Received(row), "2|2023-06-15|v''1|p|b|'|echo|''''|it''s fine");
  // The arguments are changed in place.
  EXPECT_EQ(row.Notes, "it''s fine");
  EXPECT_EQ(row.PR, "''''");
  EXPECT_EQ(row.Result, "'");
}

TEST_F(CallTest, EmptyResultIsSentEmpty) {
  ResultRow row = DemoRow();
  row.Result = "";
  EXPECT_EQ(Received(row), "2|2023-06-15|2.1|Windows 11|Chrome||echo||");
}

TEST_F(CallTest, TestCaseIDIsSentAs32BitIntegerOrNull) {
  for (const auto& [text, sent] : {std::pair<std::string, std::string>{"12", "12"},
                                   {" 7.5 ", "8"},
                                   {"6.5", "6"},
                                   {"40000", "40000"},
                                   {"abc", "NULL"},
                                   {"2147483648", "NULL"}}) {
    TCDB db;
    ASSERT_EQ(db.Connect(testdb::Dsn(), testdb::kTestUser, testdb::kTestPassword), 0);
    ResultRow row = DemoRow();
    row.TestCaseID = text;
    row.Tester = "echo";
    EXPECT_EQ(db.VerifyResult(row), -259);
    EXPECT_EQ(db.GetErrorString().substr(0, 18 + sent.size() + 1),
              "80004005:received " + sent + "|")
        << '"' << text << '"';
  }
}

TEST_F(CallTest, CallAfterADatabaseErrorSendsItsOwnParametersAlone) {
  ResultRow failing = DemoRow();
  failing.Tester = "echo";
  ASSERT_EQ(db_.VerifyResult(failing), -259);
  EXPECT_EQ(VerdictFor("positive-verdict"), 5) << db_.GetErrorString();
}

TEST(MissingProcedureTest, MissingProcedureIsMinus259WithTheDatabasesText) {
  QUORAX_REQUIRE_ADMIN();
  TCDB db;
  ASSERT_EQ(db.Connect(testdb::Dsn(), testdb::kBareUser, testdb::kTestPassword), 0);
  ResultRow row = DemoRow();
  EXPECT_EQ(db.InsertResult(row), -259);
  EXPECT_EQ(db.GetErrorString(),
            "80004005:procedure insert_result(integer, integer, character varying, character "
            "varying, character varying, character varying, character varying, character "
            "varying, character, character varying) does not exist");
}

TEST(ServerGoneTest, CallAfterTheServerEndedTheSessionIsMinus258) {
  QUORAX_REQUIRE_ADMIN();
  TCDB db;
  ASSERT_EQ(db.Connect(testdb::Dsn() + " application_name=quorax_gone_tcdb", "demo", "demo"), 0);
  testdb::AdminQuery(
      "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
      "WHERE application_name = 'quorax_gone_tcdb'");
  ResultRow row = DemoRow();
  int16_t result = 0;
  for (int i = 0; i < 250 && (result = db.VerifyResult(row)) != -258; ++i) {
    row = DemoRow();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(result, -258);
}

}  // namespace
}  // namespace quorax
