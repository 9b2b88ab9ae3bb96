#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "host/host_options.h"
#include "host/http_server.h"
#include "metrics/metric_value.h"
#include "testing/settings_file.h"
#include "testing/web_browser.h"
#include "web/main.h"

namespace quorax {
namespace {

using testkit::HttpResponse;
using testkit::WebBrowser;

constexpr char kSignIn[] = "/Quorax.asp?WCI=SubmitCSV&WCU=";
constexpr char kUpload[] = "/Quorax.asp?WCI=ImportCSV&WCU=";
constexpr char kBoundary[] = "----WebKitFormBoundaryq3ZbT0xn9Lk2fWcA";

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The body a browser sends for the upload form with `file` chosen.
std::string BrowserUploadBody(const std::string& file_name, const std::string& content) {
  return std::string("--") + kBoundary +
         "\r\nContent-Disposition: form-data; name=\"csvfile\"; filename=\"" + file_name +
         "\"\r\nContent-Type: text/csv\r\n\r\n" + content + "\r\n--" + kBoundary + "--\r\n";
}

int Occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The targets of the page's links whose address holds `item`, with the
// attribute escaping undone, in page order.
std::vector<std::string> LinksTo(const std::string& page, const std::string& item) {
  static const std::regex link("HREF=\"([^\"]*)\"", std::regex::icase);
  std::vector<std::string> targets;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), link); it != std::sregex_iterator();
       ++it) {
    std::string target = (*it)[1];
    if (target.find(item) == std::string::npos) continue;
    for (size_t at = target.find("&amp;"); at != std::string::npos; at = target.find("&amp;", at))
      target.replace(at, 5, "&");
    targets.push_back(target);
  }
  return targets;
}

// The real server and application on a free loopback port, using the
// repository's templates and the test-case database that QUORAX_TEST_DSN
// reaches (holding the demo data and the login demo/demo).
class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* dsn = std::getenv("QUORAX_TEST_DSN");
    if (dsn == nullptr || *dsn == '\0') GTEST_SKIP() << "QUORAX_TEST_DSN is not set";
    settings_ = std::make_unique<SettingsFile>(
        std::initializer_list<std::string>{"Debug=Y", "BaseDir=/", std::string("DSN=") + dsn});
    app_ = std::make_unique<quorax::main>(settings_->path());
    HostOptions options;
    options.listen = "127.0.0.1:0";
    options.templates_dir = std::string(QUORAX_SOURCE_DIR) + "/templates";
    options.access_log = [](const std::string&) {};
    options.metrics_listen = "127.0.0.1:0";
    options.debug_mode = app_->DebugMode;
    server_ = std::make_unique<HttpServer>(*app_, options);
    server_->Start();
    browser_ = std::make_unique<WebBrowser>(server_->port());
  }

  HttpResponse SignIn(const std::string& password) {
    EXPECT_EQ(browser_->Get("/Quorax.asp").status, 200);
    return browser_->Post(kSignIn, "application/x-www-form-urlencoded", "uid=demo&pwd=" + password);
  }

  HttpResponse UploadExample(const std::string& name) {
    const std::string content = ReadFile(std::string(QUORAX_SOURCE_DIR) + "/examples/" + name);
    EXPECT_FALSE(content.empty()) << name;
    return browser_->Post(kUpload, std::string("multipart/form-data; boundary=") + kBoundary,
                          BrowserUploadBody(name, content));
  }

  std::string Scrape() { return WebBrowser(server_->metrics_port()).Get("/metrics").body; }

  std::unique_ptr<SettingsFile> settings_;
  std::unique_ptr<quorax::main> app_;
  std::unique_ptr<HttpServer> server_;
  std::unique_ptr<WebBrowser> browser_;
};

TEST_F(EndToEndTest, VerifyShowsEachBadRowWithItsReasonsAndEveryViewLinkWorks) {
  ASSERT_EQ(SignIn("demo").status, 200);
  const HttpResponse results = UploadExample("mixed.csv");
  ASSERT_EQ(results.status, 200) << results.body;
  EXPECT_EQ(results.Header("Content-Type"), "text/html; charset=windows-1252");
  const std::string& page = results.body;
  EXPECT_NE(page.find("<!--- START DrawBadRowsTable --->"), std::string::npos);
  EXPECT_NE(page.find("<B>Operation Mode: Verify</B>"), std::string::npos);
  // Rows 2 to 10 are bad, each for its own reason; rows 1 and 11 are good.
  EXPECT_EQ(Occurrences(page, "<TD BGCOLOR=#DD0000 VALIGN=\"TOP\">"), 9);
  EXPECT_EQ(Occurrences(page, "<TD BGCOLOR=#00DD00"), 0);
  for (const char* reason :
       {"(-1)<BR>\r\nMissing parameter or NULL passed in a required field.<BR>",
        "(-2)<BR>\r\nTestcaseID does not exist.<BR>", "(-4)<BR>\r\nTestDate is in the future.<BR>",
        "(-8)<BR>\r\nVersion was not found.<BR>",
        "(-16)<BR>\r\nPlatform/Browser combination invalid for the area that the test case is in.",
        "(-32)<BR>\r\nInvalid result (not 'P', 'F' or 'U').<BR>",
        "(-64)<BR>\r\nTester not found.<BR>",
        "(-128)<BR>\r\nEntry possibly exists. Manual verification and entry required.<BR>",
        "(-109)<BR>\r\nMissing parameter"}) {
    EXPECT_NE(page.find(reason), std::string::npos) << reason;
  }
  EXPECT_EQ(page.find("good row"), std::string::npos);

  const std::vector<std::string> views = LinksTo(page, "WCI=ImportDone");
  ASSERT_EQ(views, (std::vector<std::string>{"/Quorax.asp?WCI=ImportDone&WCU=&d=b",
                                             "/Quorax.asp?WCI=ImportDone&WCU=&d=a",
                                             "/Quorax.asp?WCI=ImportDone&WCU=&d=s"}));
  const std::string bad = browser_->Get(views[0]).body;
  EXPECT_NE(bad.find("Display Mode: Bad Rows"), std::string::npos);
  EXPECT_EQ(Occurrences(bad, "<TD BGCOLOR=#DD0000"), 9);

  const std::string all = browser_->Get(views[1]).body;
  EXPECT_NE(all.find("Display Mode: All Rows"), std::string::npos);
  EXPECT_EQ(Occurrences(all, "<TD BGCOLOR=#DD0000"), 9);
  EXPECT_EQ(Occurrences(all, "<TD BGCOLOR=#00DD00 VALIGN=\"TOP\">Verified successfully.<BR>"), 2);

  const std::string good = browser_->Get(views[2]).body;
  EXPECT_NE(good.find("Display Mode: Good Rows"), std::string::npos);
  EXPECT_EQ(Occurrences(good, "<TD BGCOLOR=#DD0000"), 0);
  EXPECT_EQ(Occurrences(good, "<TD BGCOLOR=#00DD00"), 2);
  EXPECT_NE(good.find("<TD VALIGN=\"TOP\">good row</TD>"), std::string::npos);
  // The quotes of an uploaded cell reach the page escaped, apostrophes as typed.
  EXPECT_NE(good.find("<TD VALIGN=\"TOP\">Totals differ by one, see &quot;Q1&quot; sheet</TD>"),
            std::string::npos);
  EXPECT_NE(good.find("<TD VALIGN=\"TOP\">o'brien</TD>"), std::string::npos);
}

TEST_F(EndToEndTest, DownloadHoldsTheHeaderAndBadRowsAsUploaded) {
  ASSERT_EQ(SignIn("demo").status, 200);
  const HttpResponse results = UploadExample("mixed.csv");
  ASSERT_EQ(results.status, 200);
  const std::vector<std::string> downloads = LinksTo(results.body, "WCI=ExportCSV");
  ASSERT_EQ(downloads, std::vector<std::string>{"/Quorax.asp?WCI=ExportCSV&WCU=&"});

  const HttpResponse download = browser_->Get(downloads[0]);
  ASSERT_EQ(download.status, 200);
  EXPECT_EQ(download.Header("Content-Type"), "text/csv");
  EXPECT_EQ(download.Header("Content-Disposition"), "attachment; filename=errors.csv");
  EXPECT_EQ(download.CountHeader("Content-Length"), 1);
  EXPECT_EQ(download.Header("Content-Length"), std::to_string(download.body.size()));
  EXPECT_EQ(download.body,
            "\"TCID\",\"TestDate\",\"Version\",\"Platform\",\"Browser\",\"Result\",\"Tester\","
            "\"PR\",\"Notes\"\r\n"
            "\"5\",\"2024-04-08\",\"2.1\",\"Windows 11\",\"Chrome\",\"P\",\"\",\"\","
            "\"tester missing\"\r\n"
            "\"999\",\"2024-04-08\",\"2.1\",\"Windows 11\",\"Chrome\",\"P\",\"alice\",\"\","
            "\"no such test case\"\r\n"
            "\"6\",\"2099-01-01\",\"2.1\",\"Windows 11\",\"Chrome\",\"P\",\"alice\",\"\","
            "\"date in the future\"\r\n"
            "\"7\",\"2024-04-08\",\"9.9\",\"Windows 11\",\"Chrome\",\"P\",\"alice\",\"\","
            "\"no such version\"\r\n"
            "\"27\",\"2024-04-08\",\"2.1\",\"Windows 11\",\"Firefox\",\"F\",\"bob\",\"PR-3001\","
            "\"Firefox is not used for Administration\"\r\n"
            "\"8\",\"2024-04-08\",\"2.1\",\"Windows 11\",\"Chrome\",\"X\",\"alice\",\"\","
            "\"result is not P F or U\"\r\n"
            "\"9\",\"2024-04-08\",\"2.1\",\"Windows 11\",\"Chrome\",\"P\",\"zoe\",\"\","
            "\"no such tester\"\r\n"
            "\"1\",\"2024-03-01\",\"2.0\",\"Windows 11\",\"Chrome\",\"P\",\"alice\",\"\","
            "\"already recorded\"\r\n"
            "\"abc\",\"tomorrow\",\"9.9\",\"Windows 11\",\"Chrome\",\"Q\",\"zoe\",\"\","
            "\"several faults\"\r\n");
}

TEST_F(EndToEndTest, WrongPasswordIsRefusedAndTheSessionCannotUpload) {
  const HttpResponse refused = SignIn("not-the-password");
  ASSERT_EQ(refused.status, 302);
  const std::string start = "http://127.0.0.1:" + std::to_string(server_->port()) + "/Quorax.asp";
  EXPECT_EQ(refused.Header("Location"), start + "?s=1");
  EXPECT_NE(browser_->Get("/Quorax.asp?s=1").body.find("Authentication Failed. Access Denied."),
            std::string::npos);

  const HttpResponse upload = UploadExample("good.csv");
  EXPECT_EQ(upload.status, 302);
  EXPECT_EQ(upload.Header("Location"), start);
}

TEST_F(EndToEndTest, HealthCheckReachesTheDatabaseAndMetricsCountSignInsAndUploads) {
  const HttpResponse health = WebBrowser(server_->port()).Get("/healthz?db=1");
  EXPECT_EQ(health.status, 200);
  EXPECT_EQ(health.body, "ok");

  const std::string before = Scrape();
  ASSERT_EQ(SignIn("not-the-password").status, 302);
  ASSERT_EQ(SignIn("demo").status, 200);
  ASSERT_EQ(UploadExample("mixed.csv").status, 200);
  const std::string after = Scrape();
  struct Expected {
    const char* series;
    double delta;
  } expected[] = {
      {"quorax_sign_ins_total{outcome=\"accepted\"}", 1},
      {"quorax_sign_ins_total{outcome=\"refused\"}", 1},
      {"quorax_uploads_total{mode=\"verify\"}", 1},
      {"quorax_upload_duration_seconds_count{mode=\"verify\"}", 1},
      {"quorax_upload_rows_total{outcome=\"passed\"}", 2},
      {"quorax_upload_rows_total{outcome=\"rejected\"}", 9},
      {"quorax_upload_rows_total{outcome=\"not_processed\"}", 0},
      {"quorax_database_connection_failures_total", 0},
      {"quorax_http_responses_total{class=\"3xx\"}", 1},
  };
  for (const auto& [series, delta] : expected) {
    EXPECT_EQ(MetricValue(after, series) - MetricValue(before, series), delta) << series;
  }
  EXPECT_EQ(MetricValue(after, "quorax_sessions_live"), 1);
}

TEST_F(EndToEndTest, LogOutEndsTheSessionAndTheDownloadOfItsBadRows) {
  ASSERT_EQ(SignIn("demo").status, 200);
  ASSERT_EQ(UploadExample("mixed.csv").status, 200);
  const std::string cookie = browser_->Cookie("QuoraxSession");
  const HttpResponse logged_out = browser_->Get("/Quorax.asp?s=5");
  EXPECT_NE(logged_out.body.find("You have been logged out."), std::string::npos);
  EXPECT_NE(browser_->Cookie("QuoraxSession"), cookie);
  // The sign-in form after log out works at the first try.
  EXPECT_EQ(
      browser_->Post(kSignIn, "application/x-www-form-urlencoded", "uid=demo&pwd=demo").status,
      200);

  browser_->SetCookie("QuoraxSession", cookie);
  const HttpResponse download = browser_->Get("/Quorax.asp?WCI=ExportCSV&WCU=&");
  EXPECT_NE(download.status, 200);
  EXPECT_EQ(download.Header("Content-Disposition"), "");
  EXPECT_EQ(download.body.find("\"TCID\""), std::string::npos);
}

// The id a browser held before signing in (perhaps planted by someone else)
// does not reach the signed-in session.
TEST_F(EndToEndTest, AcceptedSignInGivesTheSessionANewId) {
  ASSERT_EQ(browser_->Get("/Quorax.asp").status, 200);
  const std::string before = browser_->Cookie("QuoraxSession");
  ASSERT_EQ(
      browser_->Post(kSignIn, "application/x-www-form-urlencoded", "uid=demo&pwd=demo").status,
      200);
  const std::string after = browser_->Cookie("QuoraxSession");
  EXPECT_NE(after, before);
  EXPECT_EQ(after.size(), before.size());
  browser_->SetCookie("QuoraxSession", before);
  EXPECT_EQ(UploadExample("good.csv").status, 302);
  browser_->SetCookie("QuoraxSession", after);
  EXPECT_EQ(UploadExample("good.csv").status, 200);
}

}  // namespace
}  // namespace quorax
