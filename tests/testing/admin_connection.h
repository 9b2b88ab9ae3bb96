#ifndef QUORAX_TESTS_TESTING_ADMIN_CONNECTION_H_
#define QUORAX_TESTS_TESTING_ADMIN_CONNECTION_H_

#include <gtest/gtest.h>
#include <postgresql/libpq-fe.h>

#include <chrono>
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

}  // namespace quorax::testkit

#endif  // QUORAX_TESTS_TESTING_ADMIN_CONNECTION_H_
