#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cli/end_to_end_fixture.h"
#include "cli/http_session.h"
#include "cli/results.h"
#include "common/windows1252.h"
#include "rows/csv_tokenizer.h"
#include "testing/admin_connection.h"
#include "testing/closed_port.h"

namespace quorax::cli {
namespace {

// Every test runs against the plain and the TLS listener.
class CommandLineTest : public CommandLineFixture, public ::testing::WithParamInterface<bool> {
 protected:
  bool Tls() const override { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Listeners, CommandLineTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& listener) {
                           return listener.param ? "Tls" : "Plain";
                         });

TEST_P(CommandLineTest, VerifyReportsTheBadRowsOfEveryPieceByTheirFileRowNumber) {
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
  EXPECT_EQ(ReadRecords(ReadFile(Path("errors.csv"))), ReadRecords(errors));
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
TEST_P(CommandLineTest, AUtf8FileIsReportedInUtf8AndACharacterTheDatabaseCannotStoreIsNamed) {
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
  EXPECT_EQ(ReadRecords(written.substr(3)), ReadRecords(Utf8FromWindows1252(errors)));
  const std::string xml = ReadFile(Path("j.xml"));
  EXPECT_EQ(xml.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"), 0u);
  EXPECT_NE(xml.find("name=\"row 1250: caf\xC3\xA9\""), std::string::npos);

  std::string refused = utf8;
  refused.insert(refused.find("caf\xC3\xA9 1501"), "\xC5\x82");
  std::ofstream(Path("refused.csv"), std::ios::binary) << refused;
  EXPECT_EQ(Run({"verify", Path("refused.csv")}), 2);
  EXPECT_NE(err_.str().find("data row 1501, column 9."), std::string::npos) << err_.str();
}

TEST_P(CommandLineTest, ASecondImportOfTheSameRowsFindsEachAlreadyRecorded) {
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

// Five refused sign-ins throttle the name: the sixth is refused untried,
// though its password is right.
TEST_P(CommandLineTest, FailuresEndWithTheirOwnStatusAndOneLine) {
  const std::string file = std::string(QUORAX_SOURCE_DIR) + "/examples/mixed.csv";
  const std::string refused = "quorax: sign-in refused: Authentication Failed. Access Denied.\n";
  const struct {
    const char* password;
    std::string line;
  } sign_ins[] = {
      {"wrong", refused}, {"wrong", refused},
      {"wrong", refused}, {"wrong", refused},
      {"wrong", refused}, {"demo", "quorax: too many failed sign-ins; wait and try again\n"}};
  for (const auto& sign_in : sign_ins) {
    setenv("QUORAX_PASSWORD", sign_in.password, 1);
    EXPECT_EQ(Run({"verify", file}), 3);
    EXPECT_EQ(err_.str(), sign_in.line);
  }
  setenv("QUORAX_PASSWORD", "demo", 1);
  EXPECT_EQ(Run({"verify", Path("missing.csv")}), 2);
  EXPECT_NE(err_.str().find("cannot be read"), std::string::npos) << err_.str();
  EXPECT_EQ(Run({"verify", file, "--colour"}), 2);
}

TEST_P(CommandLineTest, TheExampleHasNineBadRowsAndANewSessionHasNoResults) {
  EXPECT_EQ(Run({"verify", std::string(QUORAX_SOURCE_DIR) + "/examples/mixed.csv", "--quiet"}), 1);
  EXPECT_EQ(out_.str().find("11 rows: 2 passed, 9 rejected"), 0u) << out_.str();
  HttpSession browser(ParseAddress(Url()), CaFile());
  const HttpReply reply = browser.Get("/Quorax.asp?WCI=ExportResults&WCU=", 64 * 1024);
  EXPECT_EQ(reply.status, 200);
  EXPECT_NE(reply.body.find("There are no results to download"), std::string::npos);
}

// Row 900 (in the second piece) waits for a lock on the very row it inserts,
// held by the administrator, who then ends the server's database session.
TEST_P(CommandLineTest, ADatabaseFailureStopsTheRunAndLeavesTheRestNotProcessed) {
  const char* admin_dsn = std::getenv("QUORAX_TEST_ADMIN_DSN");
  if (admin_dsn == nullptr || *admin_dsn == '\0') GTEST_SKIP() << "no QUORAX_TEST_ADMIN_DSN";
  const std::string file = WriteRows("import.csv", {});
  const std::vector<std::vector<std::string>> row = ReadRecords(Row(900, first_day_, {}));
  int status = 0;
  EXPECT_TRUE(testkit::EndSessionWaitingOnRow(
      admin_dsn, ApplicationName(),
      {row[0][0], row[0][1], row[0][2], row[0][3], row[0][4], row[0][6]}, 600,
      [&] {
        status = Run({"import", file, "--quiet", "--junit", Path("j.xml")});
      }))
      << "row 900 never waited for the lock";
  EXPECT_EQ(status, 4);
  EXPECT_EQ(out_.str().find("2000 rows: 899 passed, 0 rejected, 1 database failure, 1100 not "
                            "processed"),
            0u)
      << out_.str();
  // The reason is the database's own text, not the flags of the code's bits.
  EXPECT_EQ(err_.str().find("quorax: the database failed at row 900: 80004005:"), 0u) << err_.str();
  EXPECT_NE(ReadFile(Path("j.xml")).find("errors=\"1\" skipped=\"1100\""), std::string::npos);
}

class UnreachableDatabaseTest : public CommandLineFixture {
 protected:
  std::string Dsn() const override { return testkit::kClosedPortDsn; }
};

TEST_F(UnreachableDatabaseTest, SignInEndsAsAServiceFailureWithTheDatabaseReason) {
  EXPECT_EQ(Run({"verify", std::string(QUORAX_SOURCE_DIR) + "/examples/mixed.csv"}), 4);
  EXPECT_EQ(
      err_.str().rfind("quorax: signing in: the server cannot reach the database: 80004005:", 0),
      0u)
      << err_.str();
}

// The run's account signs in again and again elsewhere, two sessions a user
// allowed: the run's session is never ended while it serves a request, and
// when it ends between requests the command signs in again.
class SessionCapTest : public CommandLineFixture {
 protected:
  bool Tls() const override { return true; }
  void Configure(HostOptions& options) const override { options.max_sessions_per_user = 2; }
};

TEST_F(SessionCapTest, ARunCompletesWhileTheSameAccountSignsInElsewhere) {
  const std::string file = WriteRows("good.csv", {}, 6000);
  std::atomic<bool> done{false};
  int sign_ins = 0;
  std::thread elsewhere([&] {
    while (!done) {
      HttpSession browser(ParseAddress(Url()), CaFile());
      browser.Get("/Quorax.asp", 64 * 1024);
      if (browser
              .Post("/Quorax.asp?WCI=SubmitCSV&WCU=", "application/x-www-form-urlencoded",
                    "uid=demo&pwd=demo", 64 * 1024)
              .status == 200) {
        ++sign_ins;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  const int status = Run({"verify", file, "--quiet"});
  done = true;
  elsewhere.join();
  EXPECT_EQ(status, 0) << err_.str();
  EXPECT_EQ(out_.str().find("6000 rows: 6000 passed, 0 rejected, 0 database failure, 0 not "
                            "processed"),
            0u)
      << out_.str();
  EXPECT_GT(sign_ins, 2);
}

class CommandLineTlsTest : public CommandLineFixture {
 protected:
  bool Tls() const override { return true; }
};

// Pieces of a large all-good file, each a full-size upload and results page.
TEST_F(CommandLineTlsTest, AGoodFileOf3000RowsPassesAndAnUntrustedCertificateIsRefused) {
  const std::string file = WriteRows("good.csv", {}, 3000);
  EXPECT_EQ(Run({"verify", file, "--quiet"}), 0) << err_.str();
  EXPECT_EQ(out_.str().find("3000 rows: 3000 passed, 0 rejected"), 0u) << out_.str();
  EXPECT_EQ(Run({"verify", file}, Url()), 4);
  EXPECT_NE(err_.str().find("certificate verify failed"), std::string::npos) << err_.str();
}

}  // namespace
}  // namespace quorax::cli
