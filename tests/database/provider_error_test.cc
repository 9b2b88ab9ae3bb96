#include "database/provider_error.h"

#include <gtest/gtest.h>

namespace quorax::db {
namespace {

TEST(ProviderErrorTest, OnlyClass28IsAnAuthenticationFailure) {
  EXPECT_EQ(ErrorNumberFor("28P01"), kAuthenticationFailed);
  EXPECT_EQ(ErrorNumberFor("28000"), kAuthenticationFailed);
  EXPECT_EQ(ErrorNumberFor("3D000"), kUnspecifiedFailure);
  EXPECT_EQ(ErrorNumberFor("42501"), kUnspecifiedFailure);
  EXPECT_EQ(ErrorNumberFor("2"), kUnspecifiedFailure);
  EXPECT_EQ(ErrorNumberFor(""), kUnspecifiedFailure);
  EXPECT_EQ(kAuthenticationFailed, -2147217843);
}

TEST(ProviderErrorTest, CredentialsAreRefusedOnlyByAnAuthenticationFailureFirstOrNoError) {
  const ProviderError refused{kAuthenticationFailed, "refused"};
  const ProviderError other{kUnspecifiedFailure, "other"};
  EXPECT_TRUE(CredentialsRefused({}));
  EXPECT_TRUE(CredentialsRefused({refused, other}));
  EXPECT_FALSE(CredentialsRefused({other, refused}));
}

TEST(ProviderErrorTest, DescriptionIsOneLineInWindows1252) {
  const ProviderError error = MakeProviderError("22P02", "bad value \"f\u00FCr\"\nDETAIL:  x\n");
  EXPECT_EQ(error.Number, kUnspecifiedFailure);
  EXPECT_EQ(error.Description, "[PostgreSQL][22P02]bad value \"f\xFCr\" DETAIL: x");
  EXPECT_EQ(MakeProviderError("", "lost\n").Description, "[PostgreSQL]lost");
}

TEST(ProviderErrorTest, ConnectionFailureTakesTheServersSqlStateAndMessage) {
  const ProviderError error = ConnectionFailure(
      "connection to server at \"127.0.0.1\", port 5544 failed: FATAL:  28P01: password "
      "authentication failed for user \"demo\"\nLOCATION:  auth_failed, auth.c:334\n");
  EXPECT_EQ(error.Number, kAuthenticationFailed);
  EXPECT_EQ(error.Description,
            "[PostgreSQL][28P01]password authentication failed for user \"demo\"");
}

TEST(ProviderErrorTest, ConnectionFailureOfSeveralHostsTakesTheLastServerError) {
  const ProviderError error = ConnectionFailure(
      "connection to server at \"a\", port 1 failed: FATAL:  28P01: password authentication "
      "failed for user \"x\"\nconnection to server at \"b\", port 2 failed: FATAL:  3D000: "
      "database \"nodb\" does not exist\nLOCATION:  InitPostgres, postinit.c:948\n");
  EXPECT_EQ(error.Number, kUnspecifiedFailure);
  EXPECT_EQ(error.Description, "[PostgreSQL][3D000]database \"nodb\" does not exist");
}

TEST(ProviderErrorTest, ConnectionFailureWithoutServerErrorKeepsTheWholeText) {
  const ProviderError error = ConnectionFailure(
      "connection to server at \"127.0.0.1\", port 1 failed: Connection refused\n\tIs the "
      "server running on that host and accepting TCP/IP connections?\n");
  EXPECT_EQ(error.Number, kUnspecifiedFailure);
  EXPECT_EQ(error.Description,
            "[PostgreSQL]connection to server at \"127.0.0.1\", port 1 failed: Connection "
            "refused Is the server running on that host and accepting TCP/IP connections?");
}

}  // namespace
}  // namespace quorax::db
