#ifndef QUORAX_TESTS_TESTING_ADMIN_CONNECTION_H_
#define QUORAX_TESTS_TESTING_ADMIN_CONNECTION_H_

#include <gtest/gtest.h>
#include <postgresql/libpq-fe.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace quorax::testkit {

// An administrator's connection for what a tester cannot do: looking at the
// rows stored, holding locks, ending other sessions. Header-only, so that
// only the suites that use it link libpq.
class AdminConnection {
 public:
  explicit AdminConnection(const std::string& dsn) : conn_(PQconnectdb(dsn.c_str()), PQfinish) {}
  bool ok() const { return PQstatus(conn_.get()) == CONNECTION_OK; }

  // Runs `sql`, which must succeed; returns the first field of the first row
  // ("" when none).
  std::string Query(const std::string& sql) {
    std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(conn_.get(), sql.c_str()), PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    EXPECT_TRUE(status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK)
        << sql << ": " << PQerrorMessage(conn_.get());
    if (status != PGRES_TUPLES_OK || PQntuples(result.get()) == 0) return "";
    return PQgetvalue(result.get(), 0, 0);
  }

  // Ends the database session of `application_name` as soon as it waits for
  // a lock; polls every 50 ms, `attempts` times. Returns false when it never
  // waited.
  bool TerminateWhenWaitingForLock(const std::string& application_name, int attempts) {
    const std::string waiting = "SELECT pid FROM pg_stat_activity WHERE application_name = '" +
                                application_name + "' AND wait_event_type = 'Lock'";
    for (int attempt = 0; attempt < attempts; ++attempt) {
      const std::string pid = Query(waiting);
      if (!pid.empty()) {
        Query("SELECT pg_terminate_backend(" + pid + ")");
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

 private:
  std::unique_ptr<PGconn, decltype(&PQfinish)> conn_;
};

// A result row by its cells' names, as an import reads them from a file.
struct ResultNames {
  std::string test_case_id, date, version, platform, browser, tester;
};

// Runs `import` while the administrator holds an uncommitted insert of
// `held`, and ends the database session named `application_name` as soon as
// it waits for that row's lock (polling `attempts` times, every 50 ms): the
// import loses its connection mid-run. The insert is rolled back before
// returning. Returns false when the session never waited for the lock.
inline bool EndSessionWaitingOnRow(const std::string& admin_dsn,
                                   const std::string& application_name, const ResultNames& held,
                                   int attempts, const std::function<void()>& import) {
  AdminConnection blocker(admin_dsn);
  AdminConnection killer(admin_dsn);
  EXPECT_TRUE(blocker.ok() && killer.ok());
  if (!blocker.ok() || !killer.ok()) return false;
  blocker.Query("BEGIN");
  blocker.Query(
      "INSERT INTO tcdb.results (test_case_id, test_date, version_id, platform_id, browser_id, "
      "result, tester_id) SELECT " +
      held.test_case_id + ", '" + held.date +
      "', v.version_id, p.platform_id, b.browser_id, 'P', t.tester_id FROM tcdb.versions v, "
      "tcdb.platforms p, tcdb.browsers b, tcdb.testers t WHERE v.name = '" +
      held.version + "' AND p.name = '" + held.platform + "' AND b.name = '" + held.browser +
      "' AND t.name = '" + held.tester + "'");
  bool ended = false;
  std::thread terminate(
      [&] { ended = killer.TerminateWhenWaitingForLock(application_name, attempts); });
  import();
  terminate.join();
  blocker.Query("ROLLBACK");
  return ended;
}

}  // namespace quorax::testkit

#endif  // QUORAX_TESTS_TESTING_ADMIN_CONNECTION_H_
