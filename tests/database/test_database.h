#ifndef QUORAX_TESTS_DATABASE_TEST_DATABASE_H_
#define QUORAX_TESTS_DATABASE_TEST_DATABASE_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

#include "testing/read_file.h"

// Access to the PostgreSQL cluster that the test run started (scripts/db).
//   QUORAX_TEST_DSN        connection string of the test-case database,
//                          without user or password
//   QUORAX_TEST_ADMIN_DSN  the same with the administrator's user and password,
//                          used to set up test procedures and roles
// Tests that need them skip when they are not set. The demo login demo/demo
// comes with the database; fixtures.sql adds the roles quorax_test (search
// path quorax_test, public: test procedures shadow the real ones) and
// quorax_test_bare (a search path without the procedures).
namespace quorax::testdb {

inline constexpr const char* kDemoUser = "demo";
inline constexpr const char* kDemoPassword = "demo";
inline constexpr const char* kTestUser = "quorax_test";
inline constexpr const char* kBareUser = "quorax_test_bare";
inline constexpr const char* kTestPassword = "quorax_test";

inline std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "" : value;
}

inline std::string Dsn() { return Env("QUORAX_TEST_DSN"); }
inline bool HasAdmin() { return !Env("QUORAX_TEST_ADMIN_DSN").empty(); }

// Runs `sql` as the administrator through psql and returns what it printed
// (unaligned, tuples only). Raises std::runtime_error when psql fails.
inline std::string AdminQuery(const std::string& sql) {
  char path[] = "/tmp/quorax_test_sqlXXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) throw std::runtime_error("cannot create a temporary file");
  close(fd);
  std::ofstream(path) << "SET client_min_messages = warning;\n" << sql << "\n";
  const std::string command =
      "psql -X -q -tA -v ON_ERROR_STOP=1 \"$QUORAX_TEST_ADMIN_DSN\" -f " + std::string(path);
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  while (pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = pipe == nullptr ? -1 : pclose(pipe);
  std::remove(path);
  if (status != 0) throw std::runtime_error("psql failed for: " + sql);
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

// Whether psql, signed in as `user` to the test database (or to `database`
// of the same cluster), runs `sql` without an error.
inline bool RunsAs(const std::string& user, const std::string& password, const std::string& sql,
                   const std::string& database = "") {
  setenv("QUORAX_TEST_SQL", sql.c_str(), 1);
  const std::string command = "psql -X -q -v ON_ERROR_STOP=1 \"$QUORAX_TEST_DSN user=" + user +
                              " password=" + password +
                              (database.empty() ? "" : " dbname=" + database) +
                              "\" -c \"$QUORAX_TEST_SQL\" >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// Loads fixtures.sql once per test process.
inline void LoadFixtures() {
  static const bool loaded = [] {
    AdminQuery(testkit::ReadFile(QUORAX_SOURCE_DIR "/tests/database/fixtures.sql"));
    return true;
  }();
  (void)loaded;
}

}  // namespace quorax::testdb

// Skips the test unless the test database is configured.
#define QUORAX_REQUIRE_DATABASE()                                                         \
  do {                                                                                    \
    if (quorax::testdb::Dsn().empty())                                                    \
      GTEST_SKIP() << "QUORAX_TEST_DSN is not set: start a cluster with scripts/db init " \
                      "and eval \"$(scripts/db test-env)\"";                              \
  } while (0)

// Skips the test unless the administrator's connection is configured too, and
// loads the test fixtures.
#define QUORAX_REQUIRE_ADMIN()                                                             \
  do {                                                                                     \
    QUORAX_REQUIRE_DATABASE();                                                             \
    if (!quorax::testdb::HasAdmin())                                                       \
      GTEST_SKIP() << "QUORAX_TEST_ADMIN_DSN is not set: eval \"$(scripts/db test-env)\""; \
    quorax::testdb::LoadFixtures();                                                        \
  } while (0)

#endif  // QUORAX_TESTS_DATABASE_TEST_DATABASE_H_
