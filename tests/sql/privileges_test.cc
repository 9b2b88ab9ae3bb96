#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/errors.h"
#include "database/connection.h"
#include "database/test_database.h"

namespace quorax {
namespace {

// A tester reaches the data only through the two procedures; large objects,
// which no schema grant covers, cannot be created by any route.
TEST(PrivilegesTest, TesterMayCallTheProceduresAndNothingElse) {
  QUORAX_REQUIRE_DATABASE();
  using testdb::RunsAs;
  EXPECT_TRUE(RunsAs("demo", "demo",
                     "CALL verify_result(NULL, 2, '2023-06-15', '2.1', 'Windows 11', 'Chrome', "
                     "'P', 'alice', '', '')"));
  EXPECT_FALSE(RunsAs("demo", "demo", "SELECT * FROM tcdb.results"));
  EXPECT_FALSE(RunsAs("demo", "demo", "DELETE FROM tcdb.results"));
  EXPECT_FALSE(RunsAs("demo", "demo", "SELECT tcdb.undouble('x')"));
  EXPECT_FALSE(RunsAs("demo", "demo", "CREATE TABLE public.t (a int)"));
  EXPECT_FALSE(RunsAs("demo", "demo", "CREATE TEMP TABLE t (a int)"));
  EXPECT_FALSE(RunsAs("demo", "demo", "SELECT 1", "postgres"));
  EXPECT_FALSE(RunsAs("demo", "demo", "SELECT lo_create(0)"));
  EXPECT_FALSE(RunsAs("demo", "demo", "SELECT lo_from_bytea(0, 'x')"));
  EXPECT_FALSE(RunsAs("demo", "demo", "\\lo_import " QUORAX_SOURCE_DIR "/README.md"));
}

// The demo login's limit, the server's default cap of sessions per user.
constexpr size_t kTesterConnectionLimit = 20;

// One login cannot take every connection of the cluster from the others: the
// connection past its limit is refused (earlier when other tests hold some).
TEST(PrivilegesTest, TesterConnectionsPastTheLoginsLimitAreRefused) {
  QUORAX_REQUIRE_DATABASE();
  std::vector<std::unique_ptr<db::Connection>> held;
  std::string refusal;
  while (refusal.empty() && held.size() <= kTesterConnectionLimit) {
    auto connection = std::make_unique<db::Connection>();
    try {
      connection->Open(testdb::Dsn(), testdb::kDemoUser, testdb::kDemoPassword);
      held.push_back(std::move(connection));
    } catch (const PlatformFailure&) {
      refusal = connection->Errors().back().Description;
    }
  }
  EXPECT_NE(refusal.find("too many connections for role"), std::string::npos)
      << held.size() << " connections opened; " << refusal;
}

TEST(PrivilegesTest, LoginOutsideTheTestersGroupCannotCallTheProcedures) {
  QUORAX_REQUIRE_ADMIN();
  testdb::AdminQuery(
      "DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'quorax_outsider') THEN "
      "CREATE ROLE quorax_outsider LOGIN PASSWORD 'quorax_test'; END IF;"
      "EXECUTE format('GRANT CONNECT ON DATABASE %I TO quorax_outsider', current_database());"
      "END $$;");
  EXPECT_TRUE(testdb::RunsAs("quorax_outsider", "quorax_test", "SELECT 1"));
  EXPECT_FALSE(testdb::RunsAs("quorax_outsider", "quorax_test",
                              "CALL verify_result(NULL, 2, '2023-06-15', '2.1', 'Windows 11', "
                              "'Chrome', 'P', 'alice', '', '')"));
}

}  // namespace
}  // namespace quorax
