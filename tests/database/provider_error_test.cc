#include "database/provider_error.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

namespace quorax::db {
namespace {

// Each SQLSTATE's kind, and the type it is raised as.
TEST(ProviderErrorTest, SqlStateClassGivesTheKindAndTheTypeRaised) {
  const struct {
    const char* sqlstate;
    ErrorKind kind;
    const std::type_info& raised_as;
  } cases[] = {
      {"08006", ErrorKind::kConnection, typeid(ConnectionFailed)},
      {"08001", ErrorKind::kConnection, typeid(ConnectionFailed)},
      {"28P01", ErrorKind::kCredentials, typeid(CredentialsRefused)},
      {"28000", ErrorKind::kCredentials, typeid(CredentialsRefused)},
      {"53300", ErrorKind::kOutOfConnections, typeid(ServerUnavailable)},
      {"53200", ErrorKind::kUnavailable, typeid(ServerUnavailable)},
      {"57P03", ErrorKind::kUnavailable, typeid(ServerUnavailable)},
      {"3D000", ErrorKind::kGeneral, typeid(DatabaseError)},
      {"42501", ErrorKind::kGeneral, typeid(DatabaseError)},
      {"40P01", ErrorKind::kGeneral, typeid(DatabaseError)},
      {"28", ErrorKind::kGeneral, typeid(DatabaseError)},
      {"", ErrorKind::kGeneral, typeid(DatabaseError)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KindOf(c.sqlstate), c.kind) << c.sqlstate;
    try {
      RaiseProviderError(MakeProviderError(c.sqlstate, "m"));
    } catch (const DatabaseError& e) {
      EXPECT_EQ(typeid(e), c.raised_as) << c.sqlstate;
      EXPECT_EQ(e.error().Kind, c.kind) << c.sqlstate;
      EXPECT_EQ(OutOfConnections(e.error()), c.sqlstate == std::string("53300")) << c.sqlstate;
    }
  }
}

TEST(ProviderErrorTest, DescriptionIsOneLineInWindows1252) {
  const ProviderError error = MakeProviderError("22P02", "bad value \"f\u00FCr\"\nDETAIL:  x\n");
  EXPECT_EQ(error.Kind, ErrorKind::kGeneral);
  EXPECT_EQ(error.Description, "[PostgreSQL][22P02]bad value \"f\xFCr\" DETAIL: x");
  EXPECT_EQ(MakeProviderError("", "lost\n").Description, "[PostgreSQL]lost");
}

TEST(ProviderErrorTest, ConnectionFailureTakesTheServersSqlStateAndMessage) {
  const ProviderError error = ConnectionFailure(
      "connection to server at \"127.0.0.1\", port 5544 failed: FATAL:  28P01: password "
      "authentication failed for user \"demo\"\nLOCATION:  auth_failed, auth.c:334\n");
  EXPECT_EQ(error.Kind, ErrorKind::kCredentials);
  EXPECT_EQ(error.Description,
            "[PostgreSQL][28P01]password authentication failed for user \"demo\"");
}

TEST(ProviderErrorTest, ConnectionFailureOfSeveralHostsTakesTheLastServerError) {
  const ProviderError error = ConnectionFailure(
      "connection to server at \"a\", port 1 failed: FATAL:  28P01: password authentication "
      "failed for user \"x\"\nconnection to server at \"b\", port 2 failed: FATAL:  3D000: "
      "database \"nodb\" does not exist\nLOCATION:  InitPostgres, postinit.c:948\n");
  EXPECT_EQ(error.Kind, ErrorKind::kGeneral);
  EXPECT_EQ(error.Description, "[PostgreSQL][3D000]database \"nodb\" does not exist");
}

TEST(ProviderErrorTest, ConnectionFailureWithoutServerErrorIsAConnectionFailureWithTheWholeText) {
  const ProviderError error = ConnectionFailure(
      "connection to server at \"127.0.0.1\", port 1 failed: Connection refused\n\tIs the "
      "server running on that host and accepting TCP/IP connections?\n");
  EXPECT_EQ(error.Kind, ErrorKind::kConnection);
  EXPECT_EQ(error.Description,
            "[PostgreSQL][08001]connection to server at \"127.0.0.1\", port 1 failed: Connection "
            "refused Is the server running on that host and accepting TCP/IP connections?");
}

}  // namespace
}  // namespace quorax::db
