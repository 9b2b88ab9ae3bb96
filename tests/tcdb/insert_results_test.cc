#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "database/test_database.h"
#include "tcdb/tcdb.h"
#include "tcdb/tcdb_fixture.h"

namespace quorax {
namespace {

using testdb::DemoRow;

constexpr size_t kRows = 2 * kInsertPieceRows + 50;

// A row whose tester (fixtures.sql) decides what the procedure does, and a
// suffix for its note ("die-at-commit" ends the server process at commit).
struct Special {
  size_t row;
  const char* tester;
  const char* note_suffix = "";
};

// What importing kRows rows with `specials` must give: the first `recorded`
// rows committed with their verdicts, then `unknown` rows not known whether
// recorded, then, when `failed`, one row that failed in the database.
struct Case {
  const char* name;
  std::vector<Special> specials;
  size_t recorded;
  size_t unknown;
  bool failed;
};

// The tester of every row but the specials: each seventh row is rejected.
const char* PlainTester(size_t row) { return row % 7 == 3 ? "log-reject" : "log"; }

// Every row logs its note when it runs; only committed notes stay in the log,
// so the log shows exactly which rows are recorded.
TEST(InsertResultsTest, ReportAndRecordedRowsMatchTheRowByRowPath) {
  QUORAX_REQUIRE_ADMIN();
  const size_t piece = kInsertPieceRows;
  const std::vector<Case> cases = {
      {"every row", {}, kRows, 0, false},
      {"row fails in the second piece", {{piece + 5, "log-fail"}}, piece + 5, 0, true},
      {"first row of a piece fails", {{piece, "log-fail"}}, piece, 0, true},
      {"connection lost mid-piece", {{piece + 50, "log-die"}}, piece + 50, 0, true},
      {"connection lost with the commit in flight",
       {{piece + 50, "log", "die-at-commit"}},
       piece,
       piece,
       false},
      {"row fails, then the commit is lost",
       {{piece + 10, "log", "die-at-commit"}, {piece + 20, "log-fail"}},
       piece,
       20,
       true},
  };
  for (const Case& c : cases) {
    const std::string tag = "ins" + std::to_string(getpid()) + "-" + c.name + "-";
    std::vector<ResultRow> rows(kRows, DemoRow());
    for (size_t i = 0; i < kRows; ++i) {
      rows[i].Tester = PlainTester(i);
      rows[i].Notes = tag + std::to_string(i);
    }
    for (const Special& s : c.specials) {
      rows[s.row].Tester = s.tester;
      rows[s.row].Notes += s.note_suffix;
    }
    std::vector<int16_t> expected;
    std::string logged;
    for (size_t i = 0; i < c.recorded; ++i) {
      expected.push_back(rows[i].Tester == "log-reject" ? -64 : 0);
      logged += (logged.empty() ? "" : ",") + rows[i].Notes;
    }
    expected.insert(expected.end(), c.unknown, kNotKnownWhetherRecorded);
    if (c.failed) expected.push_back(-259);

    TCDB db;
    ASSERT_EQ(db.Connect(testdb::Dsn(), testdb::kTestUser, testdb::kTestPassword), 0);
    EXPECT_EQ(db.InsertResults(rows), expected) << c.name;
    EXPECT_EQ(db.GetErrorString().empty(), c.recorded == kRows) << c.name;
    EXPECT_EQ(testdb::AdminQuery("SELECT string_agg(note, ',' ORDER BY id) FROM "
                                 "quorax_test.call_log WHERE note LIKE '" +
                                 tag + "%'"),
              logged)
        << c.name;
  }
}

// The real procedure in one transaction: a row repeated later in the same
// upload is still the suspected duplicate (-128), and the rows are changed in
// place as the row path changes them.
TEST(InsertResultsTest, DuplicateWithinOneUploadIsStillFound) {
  QUORAX_REQUIRE_ADMIN();
  const std::string tag = "dup" + std::to_string(getpid());
  std::vector<ResultRow> rows(4, DemoRow());
  rows[0].TestDate = rows[2].TestDate = "1975-03-04";
  rows[1].TestDate = "1975-03-05";
  rows[3].Result = "Xy";
  for (ResultRow& row : rows) row.Notes = tag + "'s";
  std::vector<ResultRow> escaped = rows;
  for (ResultRow& row : escaped) {
    row.Notes = tag + "''s";
    row.Result.resize(1);
  }
  TCDB db;
  ASSERT_EQ(db.Connect(testdb::Dsn(), testdb::kDemoUser, testdb::kDemoPassword), 0);
  EXPECT_EQ(db.InsertResults(rows), (std::vector<int16_t>{0, 0, -128, -32}));
  EXPECT_EQ(rows, escaped);
  EXPECT_EQ(
      testdb::AdminQuery("DELETE FROM tcdb.results WHERE notes LIKE '" + tag + "%' RETURNING 1"),
      "1\n1");
}

}  // namespace
}  // namespace quorax
