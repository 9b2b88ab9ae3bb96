#include <gtest/gtest.h>

#include "common/errors.h"
#include "database/test_database.h"
#include "tcdb/tcdb.h"
#include "tcdb/tcdb_fixture.h"
#include "testing/closed_port.h"

namespace quorax {
namespace {

using testdb::DemoRow;
using testdb::Dsn;

class TcdbConnectTest : public ::testing::Test {
 protected:
  void SetUp() override { QUORAX_REQUIRE_DATABASE(); }
  TCDB db_;
};

TEST_F(TcdbConnectTest, DemoLoginConnectsWithoutErrors) {
  EXPECT_EQ(db_.Connect(Dsn(), "demo", "demo"), 0);
  EXPECT_EQ(db_.GetErrorString(), "");
  EXPECT_EQ(db_.Connect(Dsn(), "demo", "demo"), 0);  // already open: stays open
  db_.Disconnect();
  EXPECT_THROW(db_.Disconnect(), PlatformFailure);
}

TEST_F(TcdbConnectTest, WrongPasswordIsMinusOne) {
  EXPECT_EQ(db_.Connect(Dsn(), "demo", "wrong"), -1);
  EXPECT_EQ(db_.GetErrorString(), "80040E4D:password authentication failed for user \"demo\"");
}

TEST_F(TcdbConnectTest, EmptyPasswordIsMinusOneEvenWhereNothingListens) {
  EXPECT_EQ(db_.Connect(Dsn(), "demo", ""), -1);
  EXPECT_EQ(db_.Connect(testkit::kClosedPortDsn, "", "demo"), -1);
}

TEST_F(TcdbConnectTest, UnknownDatabaseAndClosedPortAreMinusTwo) {
  EXPECT_EQ(db_.Connect(Dsn() + " dbname=quorax_missing", "demo", "demo"), -2);
  EXPECT_EQ(db_.GetErrorString(), "80004005:database \"quorax_missing\" does not exist");
  EXPECT_EQ(db_.Connect(testkit::kClosedPortDsn, "demo", "demo"), -2);
  EXPECT_EQ(db_.GetErrorString().rfind("80004005:connection to server at", 0), 0u);
}

TEST_F(TcdbConnectTest, CallsWithoutOpenConnectionAreMinus258AndLeaveArgumentsAlone) {
  ResultRow row = DemoRow();
  row.Notes = "it's";
  row.Result = "Pass";
  EXPECT_EQ(db_.VerifyResult(row), -258);
  EXPECT_EQ(db_.Connect(Dsn(), "demo", "wrong"), -1);
  EXPECT_EQ(db_.InsertResult(row), -258);
  EXPECT_EQ(row.Notes, "it's");
  EXPECT_EQ(row.Result, "Pass");

  ASSERT_EQ(db_.Connect(Dsn(), "demo", "demo"), 0);
  db_.Disconnect();
  EXPECT_EQ(db_.VerifyResult(row), -258);
}

}  // namespace
}  // namespace quorax
