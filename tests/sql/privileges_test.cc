#include <gtest/gtest.h>

#include <string>

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

// A tester login has a connection limit of its own (a group's does not bind
// its members), so one login cannot take every connection from the others; it
// is at most the server's default cap of 20 sessions per user. Checked in the
// catalogue: using up demo's connections would fail the tests running beside.
TEST(PrivilegesTest, TesterLoginHasItsOwnConnectionLimit) {
  QUORAX_REQUIRE_ADMIN();
  const int limit =
      std::stoi(testdb::AdminQuery("SELECT rolconnlimit FROM pg_roles WHERE rolname = 'demo'"));
  EXPECT_GE(limit, 1);
  EXPECT_LE(limit, 20);
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
