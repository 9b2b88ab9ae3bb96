#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "database/connection.h"
#include "database/test_database.h"

namespace quorax::db {
namespace {

// Calls the test procedures of fixtures.sql as quorax_test.
class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QUORAX_REQUIRE_ADMIN();
    connection_.Open(testdb::Dsn(), testdb::kTestUser, testdb::kTestPassword);
    command_.SetActiveConnection(&connection_);
    command_.SetCommandType(kStoredProcedure);
  }

  // Calls quorax_test.echo with `text`; returns the value it gave back.
  Value Echo(const std::string& text) {
    command_.SetCommandText("echo");
    auto out = command_.CreateParameter("Out", kVarChar, kOutput, 255);
    command_.AppendParameter(out);
    command_.AppendParameter(command_.CreateParameter("In", kVarChar, kInput, 255, text));
    command_.Execute();
    while (command_.ParameterCount() > 0) command_.DeleteParameter(0);
    return out->Val;
  }

  Connection connection_;
  Command command_;
};

TEST_F(CommandTest, OutputParametersAreReadBackByPosition) {
  command_.SetCommandText("two_outputs");
  auto sum = command_.CreateParameter("Sum", kInteger, kOutput, 0);
  auto text = command_.CreateParameter("Text", kVarChar, kOutput, 20);
  command_.AppendParameter(command_.CreateParameter("A", kInteger, kInput, 0, 40000));
  command_.AppendParameter(sum);
  command_.AppendParameter(command_.CreateParameter("B", kInteger, kInput, 0, -2));
  command_.AppendParameter(text);
  command_.Execute();
  EXPECT_EQ(sum->Val, Value(39998));
  EXPECT_EQ(text->Val, Value(std::string("40000+-2")));
}

TEST_F(CommandTest, EveryByteButNulCrossesTheServerUnchanged) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Echo(all), Value(all));
  EXPECT_EQ(Echo(""), Value(std::string()));
}

TEST_F(CommandTest, TextWindows1252CannotHoldComesBackAsQuestionMarks) {
  command_.SetCommandText("unrepresentable");
  auto out = command_.CreateParameter("Out", kVarChar, kOutput, 255);
  command_.AppendParameter(out);
  command_.Execute();
  EXPECT_EQ(out->Val, Value(std::string("?x\x80?")));
}

TEST_F(CommandTest, NullInputComesBackAsNull) {
  command_.SetCommandText("echo");
  auto out = command_.CreateParameter("Out", kVarChar, kOutput, 255);
  command_.AppendParameter(out);
  command_.AppendParameter(command_.CreateParameter("In", kVarChar, kInput, 255));
  command_.Execute();
  EXPECT_EQ(out->Val, Value());
}

TEST_F(CommandTest, NulByteIsRefusedNotCutShort) {
  EXPECT_THROW(Echo(std::string("a\0b", 3)), PlatformFailure);
  ASSERT_EQ(connection_.Errors().size(), 1u);
  EXPECT_EQ(connection_.Errors().front().Description.rfind("[PostgreSQL][22021]", 0), 0u)
      << connection_.Errors().front().Description;
}

TEST_F(CommandTest, DatabaseErrorIsListedAndRaised) {
  command_.SetCommandText("no_such_procedure");
  command_.AppendParameter(command_.CreateParameter("X", kInteger, kInput, 0, 1));
  EXPECT_THROW(command_.Execute(), PlatformFailure);
  ASSERT_EQ(connection_.Errors().size(), 1u);
  EXPECT_EQ(connection_.Errors().front().Kind, ErrorKind::kGeneral);
  EXPECT_EQ(connection_.Errors().front().Description,
            "[PostgreSQL][42883]procedure no_such_procedure(integer) does not exist");
  // The connection stays usable.
  command_.DeleteParameter(0);
  EXPECT_EQ(Echo("again"), Value(std::string("again")));
}

TEST_F(CommandTest, StatementIsPreparedOncePerConnection) {
  for (int i = 0; i < 3; ++i) Echo("row");
  command_.SetCommandText("prepared_count");
  auto count = command_.CreateParameter("Count", kInteger, kOutput, 0);
  command_.AppendParameter(count);
  command_.Execute();
  EXPECT_EQ(count->Val, Value(2));  // echo and prepared_count itself
}

TEST_F(CommandTest, ExecuteNeedsAnOpenConnectionAndAProcedure) {
  command_.SetCommandText("echo");
  command_.SetCommandType(1);
  EXPECT_THROW(command_.Execute(), InvalidArgument);
  command_.SetCommandType(kStoredProcedure);
  connection_.Close();
  EXPECT_THROW(command_.Execute(), PlatformFailure);
  // A call that never ran is on the error list too.
  ASSERT_EQ(connection_.Errors().size(), 1u);
  EXPECT_EQ(connection_.Errors().front().Description,
            "[PostgreSQL][08003]the connection is not open");
  Command unbound;
  unbound.SetCommandText("echo");
  EXPECT_THROW(unbound.Execute(), PlatformFailure);
}

TEST(CommandParametersTest, ParametersAreKeptInOrderAndDeletedByIndex) {
  Command command;
  for (int i = 0; i < 3; ++i) {
    command.AppendParameter(
        command.CreateParameter("P" + std::to_string(i), kInteger, kInput, 0, i));
  }
  EXPECT_EQ(command.GetParameter(2)->Name, "P2");
  EXPECT_THROW(command.GetParameter(3), SubscriptOutOfRange);
  EXPECT_THROW(command.GetParameter(-1), SubscriptOutOfRange);
  command.DeleteParameter(0);
  EXPECT_EQ(command.ParameterCount(), 2);
  EXPECT_EQ(command.GetParameter(0)->Name, "P1");
  EXPECT_THROW(command.DeleteParameter(2), SubscriptOutOfRange);
}

}  // namespace
}  // namespace quorax::db
