#ifndef QUORAX_TESTS_CLI_END_TO_END_FIXTURE_H_
#define QUORAX_TESTS_CLI_END_TO_END_FIXTURE_H_

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run.h"
#include "host/host_options.h"
#include "testing/admin_connection.h"
#include "testing/live_server.h"
#include "testing/read_file.h"
#include "web/main.h"

namespace quorax::cli {

inline constexpr int kRows = 2000;
inline constexpr char kHeader[] =
    "TCID,TestDate,Version,Platform,Browser,Result,Tester,PR,Notes\r\n";
inline const char* const kTesters[] = {"alice", "bob", "carol", "dave"};
inline const char* const kBrowsers[] = {"Chrome", "Firefox", "Edge"};

using testkit::ReadFile;

// `day` as YYYY-MM-DD.
inline std::string DayText(std::chrono::sys_days day) {
  const std::chrono::year_month_day date{day};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

// A day in the past from which 60 days hold no rows yet, so that imports of
// generated rows (at most 42 days of them) are never taken for rows recorded
// before: the procedure flags an exact repeat. Each process starts in a
// 60-day slot of its own, so suites running at once pick different days; a
// slot that a database kept between runs already holds is left for random
// ones. Without the administrator's DSN the database is not asked.
inline std::chrono::sys_days UnusedPastDay() {
  constexpr int kSlotDays = 60;
  constexpr int kSlots = 180;
  const std::chrono::sys_days base{std::chrono::year{1990} / 1 / 1};
  std::random_device seed;
  std::uniform_int_distribution<int> random_slot(0, kSlots - 1);
  const char* admin_dsn = std::getenv("QUORAX_TEST_ADMIN_DSN");
  std::unique_ptr<testkit::AdminConnection> admin;
  if (admin_dsn != nullptr && *admin_dsn != '\0') {
    admin = std::make_unique<testkit::AdminConnection>(admin_dsn);
  }
  int slot = static_cast<int>(getpid() % kSlots);
  for (int attempt = 0;; ++attempt, slot = random_slot(seed)) {
    const std::chrono::sys_days day = base + std::chrono::days{slot * kSlotDays};
    if (admin == nullptr || !admin->ok() || attempt == 20) return day;
    const std::string from = DayText(day);
    if (admin->Query("SELECT count(*) FROM tcdb.results WHERE test_date BETWEEN '" + from +
                     "'::date AND '" + from + "'::date + " + std::to_string(kSlotDays)) == "0") {
      return day;
    }
  }
}

// Data row `row` (from 1) of a file of valid rows from `first_day` on, every
// one distinct; the rows in `bad_rows` name a tester who does not exist. Some
// notes hold a line break inside quotes.
inline std::string Row(int row, std::chrono::sys_days first_day, const std::vector<int>& bad_rows) {
  const int n = row - 1;
  const std::string day = DayText(first_day + std::chrono::days{n / 144});
  const bool bad = std::find(bad_rows.begin(), bad_rows.end(), row) != bad_rows.end();
  const std::string tester = bad ? "zoe" : kTesters[(n / 12) % 4];
  const std::string notes = row % 50 == 0 ? "\"two\r\nlines\"" : "run " + std::to_string(row);
  return std::to_string(n % 12 + 1) + "," + day + ",2.1,Windows 11," + kBrowsers[(n / 48) % 3] +
         ",P," + tester + ",," + notes + "\r\n";
}

// The real server and application on free loopback ports, plain and TLS
// (a self-signed certificate), with the test-case database that
// QUORAX_TEST_DSN reaches (demo data, login demo/demo); the command runs in
// this process against it: in debug mode over plain HTTP, or as deployed
// (Tls(): debug mode off, https addresses) over TLS.
class CommandLineFixture : public ::testing::Test {
 protected:
  virtual bool Tls() const { return false; }
  // The server's connection string; by default the test-case database's.
  virtual std::string Dsn() const {
    const char* dsn = std::getenv("QUORAX_TEST_DSN");
    return dsn == nullptr ? "" : dsn;
  }
  // Lets a test change the server's options before it starts.
  virtual void Configure(HostOptions&) const {}

  void SetUp() override {
    const std::string dsn = Dsn();
    if (dsn.empty()) GTEST_SKIP() << "QUORAX_TEST_DSN is not set";
    dir_ = std::filesystem::temp_directory_path() /
           ("quorax-cli-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ / "Quorax.cfg")
        << (Tls() ? "Secure=Y" : "Debug=Y") << "\nBaseDir=/\nDSN=" << dsn
        << " application_name=" << ApplicationName() << "\n";
    app_ = std::make_unique<quorax::main>(Path("Quorax.cfg"));
    server_ =
        std::make_unique<testkit::LiveServer>(*app_, testkit::ExtraListeners{.tls = true},
                                              [this](HostOptions& options) { Configure(options); });
    setenv("QUORAX_PASSWORD", "demo", 1);
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  // Writes the file `name` with kHeader and `rows` generated rows.
  std::string WriteRows(const std::string& name, const std::vector<int>& bad_rows,
                        int rows = kRows) {
    std::string content = kHeader;
    for (int row = 1; row <= rows; ++row) content += Row(row, first_day_, bad_rows);
    std::ofstream(dir_ / name, std::ios::binary) << content;
    return (dir_ / name).string();
  }

  // Runs the command with `args` followed by the server's address and user
  // (and the certificate to trust over TLS), or by `url` and the user alone;
  // they go before a wrapped command ("--" and what follows).
  int Run(std::vector<std::string> args, const std::string& url = "") {
    auto at = std::find(args.begin(), args.end(), "--");
    at = args.insert(at, {"--url", url.empty() ? Url() : url, "--user", "demo"}) + 4;
    if (url.empty() && Tls()) args.insert(at, {"--ca-file", CaFile()});
    out_.str("");
    err_.str("");
    return RunCommand(args, out_, err_, false);
  }

  // Marks the server's database connections, so that the administrator finds them.
  static std::string ApplicationName() { return "quorax-cli-test-" + std::to_string(getpid()); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Url() const {
    return Tls() ? "https://127.0.0.1:" + std::to_string(server_->tls_port()) + "/Quorax.asp"
                 : "http://127.0.0.1:" + std::to_string(server_->port()) + "/Quorax.asp";
  }
  std::string CaFile() const { return Tls() ? server_->cert_file() : ""; }

  std::unique_ptr<quorax::main> app_;
  std::unique_ptr<testkit::LiveServer> server_;
  std::filesystem::path dir_;
  const std::chrono::sys_days first_day_ = UnusedPastDay();
  std::ostringstream out_;
  std::ostringstream err_;
};

}  // namespace quorax::cli

#endif  // QUORAX_TESTS_CLI_END_TO_END_FIXTURE_H_
