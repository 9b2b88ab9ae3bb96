#include <gtest/gtest.h>
#include <postgresql/libpq-fe.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/http_session.h"
#include "cli/results.h"
#include "cli/run.h"
#include "common/windows1252.h"
#include "host/host_options.h"
#include "host/http_server.h"
#include "testing/admin_connection.h"
#include "web/main.h"

namespace quorax::cli {
namespace {

using testkit::AdminConnection;

constexpr int kRows = 2000;
constexpr char kHeader[] = "TCID,TestDate,Version,Platform,Browser,Result,Tester,PR,Notes\r\n";
const char* const kTesters[] = {"alice", "bob", "carol", "dave"};
const char* const kBrowsers[] = {"Chrome", "Firefox", "Edge"};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A day in the past that no earlier run is likely to have used: the rows of
// one file span 14 days from it.
std::chrono::sys_days UnusedPastDay() {
  std::random_device seed;
  std::uniform_int_distribution<int> day(0, 10950);
  return std::chrono::sys_days{std::chrono::year{1990} / 1 / 1} + std::chrono::days{day(seed)};
}

// Data row `row` (from 1) of a file of valid rows from `first_day` on, every
// one distinct; the rows in `bad_rows` name a tester who does not exist. Some
// notes hold a line break inside quotes.
std::string Row(int row, std::chrono::sys_days first_day, const std::vector<int>& bad_rows) {
  const int n = row - 1;
  const std::chrono::year_month_day date{first_day + std::chrono::days{n / 144}};
  char day[16];
  std::snprintf(day, sizeof day, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  const bool bad = std::find(bad_rows.begin(), bad_rows.end(), row) != bad_rows.end();
  const std::string tester = bad ? "zoe" : kTesters[(n / 12) % 4];
  const std::string notes = row % 50 == 0 ? "\"two\r\nlines\"" : "run " + std::to_string(row);
  return std::to_string(n % 12 + 1) + "," + day + ",2.1,Windows 11," + kBrowsers[(n / 48) % 3] +
         ",P," + tester + ",," + notes + "\r\n";
}

// The real server and application on a free loopback port with the test-case
// database that QUORAX_TEST_DSN reaches (demo data, login demo/demo); the
// command runs in this process against it.
class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* dsn = std::getenv("QUORAX_TEST_DSN");
    if (dsn == nullptr || *dsn == '\0') GTEST_SKIP() << "QUORAX_TEST_DSN is not set";
    dir_ = std::filesystem::temp_directory_path() /
           ("quorax-cli-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ / "Quorax.cfg")
        << "Debug=Y\nBaseDir=/\nDSN=" << dsn << " application_name=" << ApplicationName() << "\n";
    app_ = std::make_unique<quorax::main>(Path("Quorax.cfg"));
    HostOptions options;
    options.debug_mode = app_->DebugMode;
    options.listen = "127.0.0.1:0";
    options.templates_dir = std::string(QUORAX_SOURCE_DIR) + "/templates";
    options.access_log = [](const std::string&) {};
    AddListeners(options);
    server_ = std::make_unique<HttpServer>(*app_, options);
    server_->Start();
    setenv("QUORAX_PASSWORD", "demo", 1);
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  // Lets a fixture open more listeners before the server starts.
  virtual void AddListeners(HostOptions&) {}

  // Writes the file `name` with kHeader and kRows generated rows.
  std::string WriteRows(const std::string& name, const std::vector<int>& bad_rows) {
    std::string content = kHeader;
    for (int row = 1; row <= kRows; ++row) content += Row(row, first_day_, bad_rows);
    std::ofstream(dir_ / name, std::ios::binary) << content;
    return (dir_ / name).string();
  }

  // Runs the command with `args` followed by the server's address (`url`
  // when given) and user.
  int Run(std::vector<std::string> args, const std::string& url = "") {
    args.insert(args.end(), {"--url", url.empty() ? Url() : url, "--user", "demo"});
    out_.str("");
    err_.str("");
    return RunCommand(args, out_, err_, false);
  }

  // Marks the server's database connections, so that the administrator finds them.
  static std::string ApplicationName() { return "quorax-cli-test-" + std::to_string(getpid()); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Url() const {
    return "http://127.0.0.1:" + std::to_string(server_->port()) + "/Quorax.asp";
  }

  std::unique_ptr<quorax::main> app_;
  std::unique_ptr<HttpServer> server_;
  std::filesystem::path dir_;
  const std::chrono::sys_days first_day_ = UnusedPastDay();
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(CommandLineTest, VerifyReportsTheBadRowsOfEveryPieceByTheirFileRowNumber) {
  const std::vector<int> bad = {7, 600, 1250, 1999};
  const std::string file = WriteRows("bad.csv", bad);
  ASSERT_GT(ReadFile(file).size(), 3u * 32767u);
  EXPECT_EQ(Run({"verify", file, "--errors", Path("errors.csv"), "--junit", Path("j.xml"),
                 "--report", Path("report.csv")}),
            1)
      << err_.str();
  std::string lines;
  std::string errors = std::string(kHeader);
  for (int row : bad) {
    lines += "row " + std::to_string(row) + ", test case " + std::to_string((row - 1) % 12 + 1) +
             ": rejected: Tester not found.\n";
    errors += Row(row, first_day_, bad);
  }
  EXPECT_EQ(out_.str().substr(0, lines.size()), lines);
  EXPECT_NE(out_.str().find("2000 rows: 1996 passed, 4 rejected, 0 database failure, 0 not "
                            "processed"),
            std::string::npos);
  // The errors file quotes every field; its records are the uploaded ones.
  EXPECT_EQ(ParseRecords(ReadFile(Path("errors.csv"))), ParseRecords(errors));
  EXPECT_NE(
      ReadFile(Path("j.xml")).find("tests=\"2000\" failures=\"4\" errors=\"0\" skipped=\"0\""),
      std::string::npos);
  const std::string report = ReadFile(Path("report.csv"));
  EXPECT_NE(report.find("\"two\r\nlines\",\"ok\",\"0\",\"Verified successfully.\"\r\n"),
            std::string::npos);
}

// A UTF-8 file with the byte-order mark, every note accented, rows 7 and
// 1999 naming no tester and row 1250 test case "café": it is sent in pieces
// and reported in UTF-8. Then a "ł" (no Windows-1252 byte) in row 1501.
TEST_F(CommandLineTest, AUtf8FileIsReportedInUtf8AndACharacterTheDatabaseCannotStoreIsNamed) {
  const std::vector<int> bad = {7, 1999};
  const std::string mark = "\xEF\xBB\xBF";
  std::string rows;  // Windows-1252
  std::string errors = kHeader;
  for (int row = 1; row <= kRows; ++row) {
    std::string line = Row(row, first_day_, bad);
    if (line.find(",run ") != std::string::npos) line.replace(line.find(",run "), 5, ",caf\xE9 ");
    if (row == 1250) line.replace(0, line.find(','), "caf\xE9");
    rows += line;
    if (row == 1250 || row == 7 || row == 1999) errors += line;
  }
  const std::string utf8 = mark + Utf8FromWindows1252(kHeader + rows);
  std::ofstream(Path("utf8.csv"), std::ios::binary) << utf8;
  ASSERT_GT(utf8.size(), 2u * 32767u);
  EXPECT_EQ(
      Run({"verify", Path("utf8.csv"), "--errors", Path("errors.csv"), "--junit", Path("j.xml")}),
      1)
      << err_.str();
  EXPECT_NE(out_.str().find("row 1250, test case caf\xC3\xA9: rejected"), std::string::npos);
  EXPECT_NE(out_.str().find("2000 rows: 1997 passed, 3 rejected"), std::string::npos);
  const std::string written = ReadFile(Path("errors.csv"));
  EXPECT_EQ(written.substr(0, 3), mark);
  EXPECT_EQ(ParseRecords(written.substr(3)), ParseRecords(Utf8FromWindows1252(errors)));
  const std::string xml = ReadFile(Path("j.xml"));
  EXPECT_EQ(xml.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"), 0u);
  EXPECT_NE(xml.find("name=\"row 1250: caf\xC3\xA9\""), std::string::npos);

  std::string refused = utf8;
  refused.insert(refused.find("caf\xC3\xA9 1501"), "\xC5\x82");
  std::ofstream(Path("refused.csv"), std::ios::binary) << refused;
  EXPECT_EQ(Run({"verify", Path("refused.csv")}), 2);
  EXPECT_NE(err_.str().find("data row 1501, column 9."), std::string::npos) << err_.str();
}

TEST_F(CommandLineTest, ASecondImportOfTheSameRowsFindsEachAlreadyRecorded) {
  const std::string file = WriteRows("good.csv", {});
  EXPECT_EQ(Run({"import", file, "--quiet"}), 0) << err_.str();
  EXPECT_EQ(out_.str().find("2000 rows: 2000 passed"), 0u) << out_.str();
  EXPECT_EQ(Run({"import", file, "--junit", Path("again.xml")}), 1) << err_.str();
  EXPECT_NE(out_.str().find("row 1, test case 1: rejected: Entry possibly exists."),
            std::string::npos);
  EXPECT_NE(out_.str().find("2000 rows: 0 passed, 2000 rejected"), std::string::npos);
  EXPECT_NE(ReadFile(Path("again.xml")).find("tests=\"2000\" failures=\"2000\""),
            std::string::npos);
}

TEST_F(CommandLineTest, FailuresEndWithTheirOwnStatusAndOneLine) {
  const std::string file = std::string(QUORAX_SOURCE_DIR) + "/examples/mixed.csv";
  setenv("QUORAX_PASSWORD", "wrong", 1);
  EXPECT_EQ(Run({"verify", file}), 3);
  EXPECT_EQ(err_.str(), "quorax: sign-in refused: Authentication Failed. Access Denied.\n");
  setenv("QUORAX_PASSWORD", "demo", 1);
  EXPECT_EQ(Run({"verify", Path("missing.csv")}), 2);
  EXPECT_NE(err_.str().find("cannot be read"), std::string::npos) << err_.str();
  EXPECT_EQ(Run({"verify", file, "--colour"}), 2);
}

TEST_F(CommandLineTest, TheExampleHasNineBadRowsAndANewSessionHasNoResults) {
  EXPECT_EQ(Run({"verify", std::string(QUORAX_SOURCE_DIR) + "/examples/mixed.csv", "--quiet"}), 1);
  EXPECT_EQ(out_.str().find("11 rows: 2 passed, 9 rejected"), 0u) << out_.str();
  HttpSession browser(ParseAddress(Url()), "");
  const HttpReply reply = browser.Get("/Quorax.asp?WCI=ExportResults&WCU=");
  EXPECT_EQ(reply.status, 200);
  EXPECT_NE(reply.body.find("There are no results to download"), std::string::npos);
}

// Row 900 (in the second piece) waits for a lock on the very row it inserts,
// held by the administrator, who then ends the server's database session.
TEST_F(CommandLineTest, ADatabaseFailureStopsTheRunAndLeavesTheRestNotProcessed) {
  const char* admin_dsn = std::getenv("QUORAX_TEST_ADMIN_DSN");
  if (admin_dsn == nullptr || *admin_dsn == '\0') GTEST_SKIP() << "no QUORAX_TEST_ADMIN_DSN";
  const std::string file = WriteRows("import.csv", {});
  const std::vector<std::vector<std::string>> row = ParseRecords(Row(900, first_day_, {}));
  AdminConnection blocker(admin_dsn);
  AdminConnection killer(admin_dsn);
  ASSERT_TRUE(blocker.ok() && killer.ok());
  blocker.Query("BEGIN");
  blocker.Query(
      "INSERT INTO tcdb.results (test_case_id, test_date, version_id, platform_id, browser_id, "
      "result, tester_id) SELECT " +
      row[0][0] + ", '" + row[0][1] +
      "', v.version_id, p.platform_id, b.browser_id, 'P', t.tester_id FROM tcdb.versions v, "
      "tcdb.platforms p, tcdb.browsers b, tcdb.testers t WHERE v.name = '" +
      row[0][2] + "' AND p.name = '" + row[0][3] + "' AND b.name = '" + row[0][4] +
      "' AND t.name = '" + row[0][6] + "'");
  std::thread terminate([&] {
    if (!killer.TerminateWhenWaitingForLock(ApplicationName(), 600)) {
      ADD_FAILURE() << "row 900 never waited for the lock";
    }
  });
  const int status = Run({"import", file, "--quiet", "--junit", Path("j.xml")});
  terminate.join();
  blocker.Query("ROLLBACK");
  EXPECT_EQ(status, 4);
  EXPECT_EQ(out_.str().find("2000 rows: 899 passed, 0 rejected, 1 database failure, 1100 not "
                            "processed"),
            0u)
      << out_.str();
  // The reason is the database's own text, not the flags of the code's bits.
  EXPECT_EQ(err_.str().find("quorax: the database failed at row 900: 80004005:"), 0u) << err_.str();
  EXPECT_NE(ReadFile(Path("j.xml")).find("errors=\"1\" skipped=\"1100\""), std::string::npos);
}

// The server also listens with TLS, its certificate made for "localhost".
class CommandLineTlsTest : public CommandLineTest {
 protected:
  void AddListeners(HostOptions& options) override {
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "
        "/CN=localhost -keyout " +
        Path("key.pem") + " -out " + Path("cert.pem") + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) return;
    options.tls_listen = "127.0.0.1:0";
    options.tls_cert = Path("cert.pem");
    options.tls_key = Path("key.pem");
  }
};

TEST_F(CommandLineTlsTest, HttpsNeedsTheServersCertificateToBeTrusted) {
  if (server_->tls_port() == 0) GTEST_SKIP() << "no openssl command to make a certificate";
  const std::string url =
      "https://localhost:" + std::to_string(server_->tls_port()) + "/Quorax.asp";
  const std::string file = std::string(QUORAX_SOURCE_DIR) + "/examples/mixed.csv";
  EXPECT_EQ(Run({"verify", file, "--quiet", "--ca-file", Path("cert.pem")}, url), 1) << err_.str();
  EXPECT_EQ(out_.str().find("11 rows: 2 passed, 9 rejected"), 0u) << out_.str();
  EXPECT_EQ(Run({"verify", file}, url), 4);
  EXPECT_NE(err_.str().find("certificate verify failed"), std::string::npos) << err_.str();
}

}  // namespace
}  // namespace quorax::cli
