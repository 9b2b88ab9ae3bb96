#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "database/test_database.h"
#include "rows/csv.h"
#include "tcdb/tcdb.h"
#include "tcdb/tcdb_fixture.h"
#include "testing/admin_connection.h"

namespace quorax {
namespace {

using testdb::DemoRow;

// The data rows of the example file `name`.
std::vector<ResultRow> ExampleRows(const std::string& name) {
  CSV csv;
  EXPECT_EQ(csv.ReadCSV(QUORAX_SOURCE_DIR "/examples/" + name), 0);
  std::vector<ResultRow> rows(static_cast<size_t>(csv.GetRows()));
  for (int32_t r = 0; r < csv.GetRows(); ++r) {
    for (int32_t c = 0; c < kResultColumnCount; ++c) {
      rows[static_cast<size_t>(r)].*kResultColumns[static_cast<size_t>(c)].Cell =
          csv.Rows().Cell(r, c);
    }
  }
  return rows;
}

// Rows meeting every verdict flag and every change the row path makes
// (apostrophes, a test-case id that is no number, a long Result), repeated
// so that more rows are in flight than the pipeline sends ahead.
TEST(VerifyResultsTest, VerdictsAndSentRowsMatchTheRowByRowPath) {
  QUORAX_REQUIRE_DATABASE();
  std::vector<ResultRow> rows;
  for (int copy = 0; copy < 8; ++copy) {
    for (const ResultRow& row : ExampleRows("mixed.csv")) rows.push_back(row);
    for (auto change :
         {+[](ResultRow& r) { r.Tester = "o'brien"; },
          +[](ResultRow& r) { r.Notes = "it's ''fine''"; },
          +[](ResultRow& r) { r.TestCaseID = "abc"; }, +[](ResultRow& r) { r.Result = "Pass"; }}) {
      rows.push_back(DemoRow());
      change(rows.back());
    }
  }
  TCDB db;
  ASSERT_EQ(db.Connect(testdb::Dsn(), "demo", "demo"), 0);
  std::vector<ResultRow> pipelined = rows;
  const std::vector<int16_t> codes = db.VerifyResults(pipelined);
  // The same connection then serves the row path.
  std::vector<int16_t> expected;
  for (ResultRow& row : rows) expected.push_back(db.VerifyResult(row));
  EXPECT_EQ(codes, expected);
  EXPECT_EQ(pipelined, rows);
  EXPECT_EQ(db.GetErrorString(), "");
}

// Row 3 of 5 fails in the database, by an error or by ending its own server
// process: rows 1 and 2 keep their verdicts and what they wrote, row 3 gets
// -259 and the database's text, rows 4 and 5 never run.
TEST(VerifyResultsTest, DatabaseFailureStopsTheRunAtThatRow) {
  QUORAX_REQUIRE_ADMIN();
  struct Case {
    const char* tester;
    const char* text;
  };
  for (const Case& c : {Case{"log-fail", "80004005:refused "},
                        Case{"log-die", "80004005:terminating connection"}}) {
    const std::string tag = c.tester + std::to_string(getpid()) + "-";
    std::vector<ResultRow> rows(5, DemoRow());
    for (size_t i = 0; i < rows.size(); ++i) {
      rows[i].Tester = i == 2 ? c.tester : "log";
      rows[i].Notes = tag + std::to_string(i + 1);
    }
    TCDB db;
    ASSERT_EQ(db.Connect(testdb::Dsn(), testdb::kTestUser, testdb::kTestPassword), 0);
    EXPECT_EQ(db.VerifyResults(rows), (std::vector<int16_t>{0, 0, -259})) << c.tester;
    EXPECT_EQ(db.GetErrorString().rfind(c.text, 0), 0u) << db.GetErrorString();
    EXPECT_EQ(testdb::AdminQuery("SELECT string_agg(note, ',' ORDER BY id) FROM "
                                 "quorax_test.call_log WHERE note LIKE '" +
                                 tag + "%'"),
              tag + "1," + tag + "2");
  }
}

// A call that waits on a lock ends at once when the gateway is abandoned
// from another thread, as on a lost connection; it cannot connect again.
TEST(VerifyResultsTest, AbandonEndsACallInFlight) {
  QUORAX_REQUIRE_ADMIN();
  testkit::AdminConnection admin(testdb::Env("QUORAX_TEST_ADMIN_DSN"));
  admin.Query("BEGIN");
  admin.Query("LOCK TABLE quorax_test.call_log IN ACCESS EXCLUSIVE MODE");
  std::vector<ResultRow> rows(3, DemoRow());
  for (ResultRow& row : rows) row.Tester = "log";
  TCDB db;
  ASSERT_EQ(db.Connect(testdb::Dsn(), testdb::kTestUser, testdb::kTestPassword), 0);
  std::thread abandon([&db] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    db.Abandon();
  });
  const auto sent = std::chrono::steady_clock::now();
  EXPECT_EQ(db.VerifyResults(rows), (std::vector<int16_t>{-259}));
  EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(3));
  abandon.join();
  admin.Query("ROLLBACK");
  EXPECT_EQ(db.Connect(testdb::Dsn(), testdb::kTestUser, testdb::kTestPassword), -2);
}

}  // namespace
}  // namespace quorax
