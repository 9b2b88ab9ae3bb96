#include "database/connection.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "common/errors.h"
#include "database/test_database.h"
#include "testing/closed_port.h"

namespace quorax::db {
namespace {

using testdb::Dsn;

class ConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override { QUORAX_REQUIRE_DATABASE(); }

  // Opens `connection`; returns the only error entry the failure left.
  static ProviderError FailingOpen(Connection& connection, const std::string& dsn,
                                   const std::string& user, const std::string& password) {
    EXPECT_THROW(connection.Open(dsn, user, password), PlatformFailure);
    EXPECT_EQ(connection.State(), 0);
    EXPECT_EQ(connection.Errors().size(), 1u);
    return connection.Errors().empty() ? ProviderError{} : connection.Errors().front();
  }

  Connection connection_;
};

TEST_F(ConnectionTest, DemoLoginOpensAndCloses) {
  connection_.Open(Dsn(), testdb::kDemoUser, testdb::kDemoPassword);
  EXPECT_EQ(connection_.State(), 1);
  EXPECT_TRUE(connection_.Errors().empty());
  connection_.Close();
  EXPECT_EQ(connection_.State(), 0);
  EXPECT_THROW(connection_.Close(), PlatformFailure);
}

TEST_F(ConnectionTest, WrongPasswordIsAnAuthenticationFailure) {
  const ProviderError error = FailingOpen(connection_, Dsn(), "demo", "wrong");
  EXPECT_EQ(error.Kind, ErrorKind::kCredentials);
  EXPECT_EQ(error.Description,
            "[PostgreSQL][28P01]password authentication failed for user \"demo\"");
}

TEST_F(ConnectionTest, EmptyCredentialsAreRefusedWithoutFallingBackToTheEnvironment) {
  // The client library would take an empty password from PGPASSWORD.
  setenv("PGPASSWORD", testdb::kDemoPassword, 1);
  const ProviderError no_password = FailingOpen(connection_, Dsn(), "demo", "");
  setenv("PGUSER", testdb::kDemoUser, 1);
  const ProviderError no_user = FailingOpen(connection_, Dsn(), "", "demo");
  unsetenv("PGPASSWORD");
  unsetenv("PGUSER");
  EXPECT_EQ(no_password.Kind, ErrorKind::kCredentials);
  EXPECT_EQ(no_user.Kind, ErrorKind::kCredentials);
  // Not contacting the server shows as an authentication failure even where
  // nothing listens.
  EXPECT_EQ(FailingOpen(connection_, testkit::kClosedPortDsn, "demo", "").Kind,
            ErrorKind::kCredentials);
}

TEST_F(ConnectionTest, PasswordWithNulByteIsRefused) {
  const ProviderError error = FailingOpen(connection_, Dsn(), "demo", std::string("demo\0x", 6));
  EXPECT_EQ(error.Kind, ErrorKind::kCredentials);
}

TEST_F(ConnectionTest, UnknownDatabaseAndClosedPortAreOtherFailures) {
  const ProviderError unknown =
      FailingOpen(connection_, Dsn() + " dbname=quorax_missing", "demo", "demo");
  EXPECT_EQ(unknown.Kind, ErrorKind::kGeneral);
  EXPECT_EQ(unknown.Description, "[PostgreSQL][3D000]database \"quorax_missing\" does not exist");

  const ProviderError refused = FailingOpen(connection_, testkit::kClosedPortDsn, "demo", "demo");
  EXPECT_EQ(refused.Kind, ErrorKind::kConnection);
  EXPECT_EQ(refused.Description.rfind("[PostgreSQL][08001]connection to server at", 0), 0u)
      << refused.Description;
}

TEST_F(ConnectionTest, OpenReplacesTheErrorsOfTheLastFailure) {
  FailingOpen(connection_, Dsn(), "demo", "wrong");
  connection_.Open(Dsn(), "demo", "demo");
  EXPECT_TRUE(connection_.Errors().empty());
}

TEST_F(ConnectionTest, OpeningAnOpenConnectionRaisesAndLeavesItOpen) {
  connection_.Open(Dsn(), "demo", "demo");
  EXPECT_THROW(connection_.Open(Dsn(), "demo", "wrong"), PlatformFailure);
  EXPECT_EQ(connection_.State(), 1);
}

TEST(ConnectionTimeoutTest, ServerThatNeverAnswersTimesOut) {
  // A socket that listens but never answers: the connection attempt waits
  // for the server's reply until the connect timeout.
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string dsn = "host=127.0.0.1 port=" + std::to_string(ntohs(address.sin_port)) +
                          " dbname=quorax connect_timeout=1";

  Connection connection;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(connection.Open(dsn, "demo", "demo"), PlatformFailure);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  close(listener);
  EXPECT_LT(elapsed, std::chrono::seconds(4));
  ASSERT_EQ(connection.Errors().size(), 1u);
  EXPECT_EQ(connection.Errors().front().Kind, ErrorKind::kConnection);
  EXPECT_EQ(connection.Errors().front().Description, "[PostgreSQL][08001]timeout expired");
}

TEST_F(ConnectionTest, StateIsZeroOnceTheServerEndedTheSession) {
  QUORAX_REQUIRE_ADMIN();
  connection_.Open(Dsn() + " application_name=quorax_gone_test", "demo", "demo");
  ASSERT_EQ(connection_.State(), 1);
  testdb::AdminQuery(
      "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
      "WHERE application_name = 'quorax_gone_test'");
  for (int i = 0; i < 250 && connection_.State() == 1; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(connection_.State(), 0);
  connection_.Open(Dsn(), "demo", "demo");
  EXPECT_EQ(connection_.State(), 1);
}

}  // namespace
}  // namespace quorax::db
