#include <postgresql/libpq-fe.h>

#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "testing/admin_connection.h"
#include "web/import_fixture.h"
#include "web/run_corrections.h"
#include "web/send_rows.h"

namespace quorax {
namespace {

using testkit::AdminConnection;

// Environment: QUORAX_TEST_DSN reaches the test-case database holding the
// demo data and the login demo/demo; QUORAX_TEST_ADMIN_DSN (optional) reaches
// it as the administrator.
std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "" : value;
}

// A date in the past that no other run of these tests is likely to use, so
// imported rows never collide with those of an earlier run.
std::string UnusedPastDate() {
  using namespace std::chrono;
  std::random_device seed;
  std::uniform_int_distribution<int> day(0, 10950);
  const year_month_day date{sys_days{1990y / 1 / 1} + days{day(seed)}};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

// One valid row of test case `id`, executed on `date`.
std::string ValidRow(int id, const std::string& date) {
  return std::to_string(id) + "," + date + ",2.0,Windows 11,Chrome,P,alice,,run " +
         std::to_string(id) + "\r\n";
}

constexpr char kHeader[] = "TCID,Date,Version,Platform,Browser,Result,Tester,PR,Notes\r\n";

class ImportCSVDatabaseTest : public ImportFixture {
 protected:
  ImportCSVDatabaseTest() : ImportFixture(Dsn()) {}

  static std::string Dsn() {
    return Env("QUORAX_TEST_DSN") + " application_name=" + ApplicationName();
  }
  // Marks this process's connections, so that the administrator finds them.
  static std::string ApplicationName() { return "quorax-import-test-" + std::to_string(getpid()); }

  void SetUp() override {
    if (Env("QUORAX_TEST_DSN").empty()) GTEST_SKIP() << "QUORAX_TEST_DSN is not set";
  }

  // Removes the rows imported on `date_`, when the administrator is known.
  void TearDown() override {
    if (Env("QUORAX_TEST_ADMIN_DSN").empty()) return;
    AdminConnection admin(Env("QUORAX_TEST_ADMIN_DSN"));
    if (admin.ok()) admin.Query("DELETE FROM tcdb.results WHERE test_date = '" + date_ + "'");
  }

  std::string ValidRows(int first, int last) const {
    std::string rows;
    for (int id = first; id <= last; ++id) rows += ValidRow(id, date_);
    return rows;
  }

  int16_t Code(int16_t row) { return Outcomes()->Item(row)->ErrorNumber; }
  std::string Extra(int16_t row) { return Outcomes()->Item(row)->ExtraInfo; }

  const std::string date_ = UnusedPastDate();
};

TEST_F(ImportCSVDatabaseTest, VerifyRecordsEveryRowAndShowsTheBadOnes) {
  // Row 4's NUL byte cannot be stored: the row is refused with the reason,
  // and the row after it is still sent.
  using namespace std::string_literals;
  Upload(kHeader + ValidRow(1, date_) + "2," + date_ + ",2.0,Windows 11,Chrome,P,nobody,,\r\n" +
         ValidRow(3, date_) + "4," + date_ + ",2.0,Windows 11,Chrome,P,ali\0ce,,\r\n"s +
         ValidRow(5, date_));
  EXPECT_EQ(host_.RedirectedTo(), "");
  EXPECT_EQ(host_.SessionText("Mode"), "Verify");
  EXPECT_FALSE(host_.session().GetBool("NoErrors"));
  ASSERT_EQ(Outcomes()->Count(), 5);
  EXPECT_EQ(Code(1), 0);
  EXPECT_EQ(Extra(1), "Verified successfully.");
  EXPECT_EQ(Code(2), -64);
  EXPECT_EQ(Extra(2), "");
  EXPECT_EQ(Code(3), 0);
  EXPECT_EQ(Code(4), kRowHoldsNul);
  EXPECT_TRUE(Extra(4).starts_with("A cell holds a NUL byte")) << Extra(4);
  EXPECT_EQ(Code(5), 0);
  EXPECT_EQ(Table()->GetRows(), 5);
  // The results page follows in the same request, showing the bad rows.
  EXPECT_EQ(host_.SessionText("Last"), "ImportDone_Respond");
  EXPECT_TRUE(Contains("<!--- START DrawBadRowsTable --->"));
  EXPECT_TRUE(Contains("Tester not found.<BR>"));
}

TEST_F(ImportCSVDatabaseTest, OnlyI1ImportsAndImportedRowsAreThenDuplicates) {
  const std::string file = kHeader + ValidRows(4, 5);
  for (const char* i : {"0", "", "yes", "01", "1 "}) {
    Upload(file, i);
    EXPECT_EQ(host_.SessionText("Mode"), "Verify") << "i=" << i;
    EXPECT_EQ(Code(1), 0) << "i=" << i;
  }
  Upload(file, "1");
  EXPECT_EQ(host_.SessionText("Mode"), "Import");
  EXPECT_EQ(Extra(1), "Imported successfully.");
  EXPECT_EQ(Code(2), 0);
  EXPECT_TRUE(Contains("All rows have been imported successfully"));

  Upload(file, "1");
  EXPECT_EQ(Code(1), -128);
  EXPECT_EQ(Code(2), -128);
  EXPECT_FALSE(host_.session().GetBool("NoErrors"));
}

// Import again sends only the corrected row: the rows recorded already are
// not sent twice, not even when the form is sent a second time.
TEST_F(ImportCSVDatabaseTest, ImportAgainRecordsOnlyTheCorrectedRow) {
  Upload(kHeader + ValidRow(11, date_) + "12," + date_ + ",2.0,Windows 11,Chrome,P,nobody,,\r\n" +
             ValidRow(13, date_),
         "1");
  ASSERT_EQ(Code(2), -64);
  const std::vector<std::string> fixed = {"12", date_,   "2.0", "Windows 11", "Chrome",
                                          "P",  "alice", "",    "fixed"};
  const std::string stamp = std::to_string(CorrectionsFor(host_.session()).Stamp());
  for (int click = 1; click <= 2; ++click) {
    host_.NewRequest();
    host_.Form("run", stamp);
    host_.Form("rows", "2");
    for (size_t col = 0; col < fixed.size(); ++col) {
      host_.Form("r2c" + std::to_string(col), fixed[col]);
    }
    Dispatch(app_, host_, "RecheckRows");
    EXPECT_EQ(host_.RedirectedTo(), "") << "click " << click;
    EXPECT_EQ(Code(1), 0);
    EXPECT_EQ(Code(2), 0) << "click " << click;
    EXPECT_EQ(Extra(2), "Imported successfully.");
    EXPECT_EQ(Code(3), 0);
    EXPECT_EQ(host_.SessionText("Mode"), "Import");
    EXPECT_TRUE(Contains("All rows have been imported successfully"));
  }
}

TEST_F(ImportCSVDatabaseTest, EightColumnsSendAnEmptyNote) {
  Upload("TCID,Date,Version,Platform,Browser,Result,Tester,PR\r\n6," + date_ +
         ",2.0,Windows 11,Chrome,P,alice,\r\n");
  EXPECT_EQ(Code(1), 0);
}

// A file without data rows gets one sentence saying why, never a success.
TEST_F(ImportCSVDatabaseTest, FilesWithoutDataRowsSayWhyInOneSentence) {
  const struct {
    std::string file;
    const char* sentence;
  } cases[] = {
      {"", "The file is empty, so nothing was verified."},
      {"  \r\n", "The file is empty, so nothing was verified."},
      {"TCID,Date", "The file holds only a header line, so nothing was verified."},
      {kHeader, "The file holds only a header line, so nothing was verified."},
      {std::string(kHeader) + "\r\n \r\n",
       "The file has no data rows below its header line, so nothing was verified."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Upload(c.file);
    EXPECT_EQ(Outcomes()->Count(), 0);
    EXPECT_TRUE(Contains(c.sentence)) << host_.Output();
    EXPECT_FALSE(Contains("are Ok"));
    EXPECT_FALSE(Contains("rows read"));
    EXPECT_FALSE(Contains("line end"));
  }
}

// The reader stops at row 3 of 4: the page says how many rows it never
// reached and why, its bar shows them, and errors.csv hands back the bad row
// read and then the rest of the file exactly as uploaded, line ends included.
TEST_F(ImportCSVDatabaseTest, DamagedFileLosesNoRowInErrorsCsv) {
  std::string rest = "9,\"unclosed,2.0,Windows 11,Chrome,P,alice,,\n" + ValidRow(10, date_);
  rest.erase(rest.size() - 2, 1);  // the file's line end is LF
  const std::string bad = "8," + date_ + ",2.0,Windows 11,Chrome,P,nobody,,\n";
  std::string first = ValidRow(7, date_);
  first.erase(first.size() - 2, 1);
  Upload("TCID,Date,Version,Platform,Browser,Result,Tester,PR,Notes\n" + first + bad + rest);
  ASSERT_EQ(Outcomes()->Count(), 2);
  EXPECT_FALSE(host_.session().GetBool("NoErrors"));
  EXPECT_TRUE(Contains("<!--- START DrawBadRowsTable --->"));
  EXPECT_TRUE(
      Contains("2 rows were not read, from line 4 on: the quote opened on line 4 is "
               "never closed."))
      << host_.Output();
  EXPECT_TRUE(
      Contains("2 rows read: 1 passed, 1 rejected, 0 database failure, 0 not "
               "processed; 2 rows not read."));
  EXPECT_TRUE(Contains("<span class=\"unread\" style=\"flex-grow: 2\">"));

  host_.NewRequest();
  ASSERT_TRUE(Dispatch(app_, host_, "ExportCSV"));
  EXPECT_EQ(host_.Output(),
            "\"TCID\",\"Date\",\"Version\",\"Platform\",\"Browser\",\"Result\",\"Tester\",\"PR\","
            "\"Notes\"\n\"8\",\"" +
                date_ + "\",\"2.0\",\"Windows 11\",\"Chrome\",\"P\",\"nobody\",\"\",\"\"\n" + rest);
}

// A second submission of the same upload, queued behind the first, shows
// that run's results and records nothing again; another file runs.
TEST_F(ImportCSVDatabaseTest, SecondSubmissionOfAnUploadShowsItsResultsWithoutRunningAgain) {
  const std::string file = kHeader + ValidRows(13, 14);
  Upload(file, "1");
  const auto outcomes = Outcomes();
  ASSERT_EQ(Code(1), 0);
  // The browser draws a new multipart boundary for each submission.
  std::string again = MultipartBody(file);
  for (size_t at = again.find("7MA4"); at != std::string::npos; at = again.find("7MA4", at)) {
    again.replace(at, 4, "8MB5");
  }
  for (const char* last : {"ImportDone_Respond", "ImportCSV_Respond"}) {
    PrepareUpload(again, "1");
    host_.session().SetText("Last", last);
    ASSERT_TRUE(Dispatch(app_, host_, "ImportCSV"));
    EXPECT_EQ(Outcomes(), outcomes) << last;
    EXPECT_TRUE(Contains("All rows have been imported successfully")) << last;
  }
  PrepareUpload(MultipartBody(file), "1");
  host_.session().SetText("Last", "SubmitCSV_Respond");
  ASSERT_TRUE(Dispatch(app_, host_, "ImportCSV"));
  EXPECT_EQ(Code(1), -128) << "a deliberate second upload runs again";
}

TEST_F(ImportCSVDatabaseTest, EndOfFileMarkIsNoRow) {
  Upload(kHeader + ValidRow(7, date_) + "\x1A");
  ASSERT_EQ(Outcomes()->Count(), 1);
  EXPECT_TRUE(host_.session().GetBool("NoErrors"));
  EXPECT_TRUE(Contains("All rows have been verified and are Ok"));
  EXPECT_FALSE(Contains("could not be read"));
}

// Credentials the database refuses when an upload connects sign the tester
// out as a refused sign-in does: status 1, the session and its run gone.
TEST_F(ImportCSVDatabaseTest, WrongPasswordSignsTheTesterOutWithStatus1) {
  Upload(kHeader + ValidRow(11, date_));
  ASSERT_EQ(Outcomes()->Count(), 1);

  Upload(kHeader + ValidRow(12, date_), "1", "wrong");
  EXPECT_EQ(host_.RedirectedTo(), std::string(kStartAddress) + "?s=1");
  EXPECT_TRUE(host_.Ended());
  EXPECT_EQ(Outcomes(), nullptr);
  EXPECT_EQ(host_.SessionText("User"), "");
}

// A UTF-8 file, with or without its mark, stores the same text as a
// Windows-1252 file; its bad rows come back as UTF-8 with the mark.
TEST_F(ImportCSVDatabaseTest, Utf8FilesStoreTheTextOfWindows1252Files) {
  const std::string admin_dsn = Env("QUORAX_TEST_ADMIN_DSN");
  if (admin_dsn.empty()) GTEST_SKIP() << "QUORAX_TEST_ADMIN_DSN is not set";
  const std::string utf8 = "Jos\xC3\xA9 \xE2\x82\xAC";
  const std::string files[][2] = {{"", "Jos\xE9 \x80"}, {"", utf8}, {"\xEF\xBB\xBF", utf8}};
  for (int id = 21; id <= 23; ++id) {
    const auto& [mark, note] = files[id - 21];
    Upload(mark + kHeader + std::to_string(id) + "," + date_ + ",2.0,Windows 11,Chrome,P,alice,," +
               note + "\r\n",
           "1");
    EXPECT_EQ(Code(1), 0) << id;
  }
  AdminConnection admin(admin_dsn);
  EXPECT_EQ(admin.Query("SELECT count(DISTINCT notes) || ' ' || max(length(notes)) FROM "
                        "tcdb.results WHERE test_date = '" +
                        date_ + "'"),
            "1 6");

  const std::string bad_row = "24," + date_ + ",2.0,Windows 11,Chrome,P,nobody,," + utf8;
  Upload("\xEF\xBB\xBF" + std::string(kHeader) + bad_row + "\r\n");
  ASSERT_EQ(Code(1), -64);
  host_.NewRequest();
  Dispatch(app_, host_, "ExportCSV");
  std::string quoted = "\"" + bad_row + "\"\r\n";
  for (size_t comma = quoted.find(','); comma != std::string::npos;
       comma = quoted.find(',', comma + 3)) {
    quoted.replace(comma, 1, "\",\"");
  }
  EXPECT_EQ(host_.Output(),
            "\xEF\xBB\xBF\"TCID\",\"Date\",\"Version\",\"Platform\",\"Browser\","
            "\"Result\",\"Tester\",\"PR\",\"Notes\"\r\n" +
                quoted);
}

// Row 5 of 10 waits for a lock that the administrator holds on the very row
// it inserts; the administrator then ends the tester's session. Rows 1 to 4
// stay imported, row 5 carries the database's text, rows 6 to 10 have no
// outcome.
TEST_F(ImportCSVDatabaseTest, ConnectionEndedOnRow5Of10) {
  const std::string admin_dsn = Env("QUORAX_TEST_ADMIN_DSN");
  if (admin_dsn.empty()) GTEST_SKIP() << "QUORAX_TEST_ADMIN_DSN is not set";
  EXPECT_TRUE(testkit::EndSessionWaitingOnRow(
      admin_dsn, ApplicationName(), {"5", date_, "2.0", "Windows 11", "Chrome", "alice"}, 400,
      [&] { Upload(kHeader + ValidRows(1, 10), "1"); }))
      << "row 5 never waited for the lock";

  ASSERT_EQ(Outcomes()->Count(), 5);
  for (int16_t row = 1; row <= 4; ++row) EXPECT_EQ(Code(row), 0) << "row " << row;
  EXPECT_LT(Code(5), -256);
  EXPECT_NE(Extra(5), "");
  EXPECT_EQ(Outcomes()->Item(6), nullptr);
  EXPECT_FALSE(host_.session().GetBool("NoErrors"));
  EXPECT_EQ(Table()->GetRows(), 10);
  EXPECT_EQ(AdminConnection(admin_dsn).Query(
                "SELECT count(*) FROM tcdb.results WHERE test_date = '" + date_ + "'"),
            "4");
  EXPECT_TRUE(Contains("A Database error occured here.<BR>"));
  EXPECT_TRUE(Contains("Not imported or tested due to previous database error on row 5<BR>"));

  // The next upload gets a connection of its own and is served as usual.
  Upload(kHeader + ValidRows(6, 6), "1");
  EXPECT_EQ(Code(1), 0);
}

}  // namespace
}  // namespace quorax
