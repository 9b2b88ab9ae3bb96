#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "metrics/metric_value.h"
#include "web/end_to_end_fixture.h"

namespace quorax {
namespace {

// Every test runs in debug mode over plain HTTP and as deployed over TLS.
class EndToEndTest : public EndToEndFixture, public ::testing::WithParamInterface<bool> {
 protected:
  bool Tls() const override { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Listeners, EndToEndTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& listener) {
                           return listener.param ? "Tls" : "Plain";
                         });

TEST_P(EndToEndTest, VerifyShowsEachBadRowWithItsReasonsAndEveryViewLinkWorks) {
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

TEST_P(EndToEndTest, DownloadHoldsTheHeaderAndBadRowsAsUploaded) {
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

TEST_P(EndToEndTest, WrongPasswordIsRefusedAndTheSessionCannotUpload) {
  const HttpResponse refused = SignIn("not-the-password");
  ASSERT_EQ(refused.status, 302);
  const std::string start = Origin() + "/Quorax.asp";
  EXPECT_EQ(refused.Header("Location"), start + "?s=1");
  EXPECT_NE(browser_->Get("/Quorax.asp?s=1").body.find("Authentication Failed. Access Denied."),
            std::string::npos);

  const HttpResponse upload = UploadExample("good.csv");
  EXPECT_EQ(upload.status, 302);
  EXPECT_EQ(upload.Header("Location"), start);
}

// The application's debug mode alone decides: the deployed (TLS) server
// answers its plain listener with the redirect to the HTTPS start page.
TEST_P(EndToEndTest, PlainListenerServesPagesOnlyInDebugMode) {
  const HttpResponse plain = WebBrowser(Listener(false)).Get("/Quorax.asp?s=1");
  EXPECT_EQ(plain.status, Tls() ? 302 : 200);
  EXPECT_EQ(plain.Header("Location"), Tls() ? Origin() + "/Quorax.asp" : "");
}

TEST_P(EndToEndTest, HealthCheckReachesTheDatabaseAndMetricsCountSignInsAndUploads) {
  const HttpResponse health = WebBrowser(Listener(Tls())).Get("/healthz?db=1");
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

TEST_P(EndToEndTest, LogOutEndsTheSessionAndTheDownloadOfItsBadRows) {
  ASSERT_EQ(SignIn("demo").status, 200);
  ASSERT_EQ(UploadExample("mixed.csv").status, 200);
  const std::string cookie = browser_->Cookie("QuoraxSession");
  // Another site's link to the log-out address only asks; the session stays.
  const HttpResponse asked =
      testkit::Request(Listener(Tls()), "GET", "/Quorax.asp?s=5",
                       "Sec-Fetch-Site: cross-site\r\nCookie: QuoraxSession=" + cookie + "\r\n");
  EXPECT_NE(asked.body.find("Do you want to log out?"), std::string::npos) << asked.body;
  EXPECT_EQ(browser_->Get("/Quorax.asp?WCI=ExportCSV&WCU=").Header("Content-Disposition"),
            "attachment; filename=errors.csv");
  const HttpResponse logged_out = browser_->Get("/Quorax.asp?s=5");
  EXPECT_NE(logged_out.body.find("You have been logged out."), std::string::npos);
  EXPECT_NE(browser_->Cookie("QuoraxSession"), cookie);
  // The sign-in form after log out works at the first try.
  EXPECT_EQ(
      browser_->Post(kSignIn, "application/x-www-form-urlencoded", "uid=demo&pwd=demo").status,
      200);

  browser_->SetCookie("QuoraxSession", cookie);
  const HttpResponse download = browser_->Get("/Quorax.asp?WCI=ExportCSV&WCU=&");
  // The ended session's link leads to the sign-in page, which says it ended.
  EXPECT_EQ(download.status, 302);
  EXPECT_NE(download.Header("Location").find("?s=7"), std::string::npos);
  EXPECT_EQ(download.Header("Content-Disposition"), "");
  EXPECT_EQ(download.body.find("\"TCID\""), std::string::npos);
}

// The id a browser held before signing in (perhaps planted by someone else)
// does not reach the signed-in session.
TEST_P(EndToEndTest, AcceptedSignInGivesTheSessionANewId) {
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

// 3,000 rows of empty cells, each rejected with its reasons, make an all-rows
// page of over a megabyte: the TLS listener must send it as the plain one does.
TEST_F(EndToEndFixture, ALargeResultsPageArrivesWholeOverTlsAsOverPlainHttp) {
  ASSERT_EQ(SignIn("demo").status, 200);
  std::string rows = "TCID,TestDate,Version,Platform,Browser,Result,Tester,PR,Notes\r\n";
  for (int row = 0; row < 3000; ++row) rows += ",,,,,,,,\r\n";
  ASSERT_EQ(browser_
                ->Post(kUpload, std::string("multipart/form-data; boundary=") + kBoundary,
                       BrowserUploadBody("many.csv", rows))
                .status,
            200);
  WebBrowser secure(Listener(true));
  secure.SetCookie("QuoraxSession", browser_->Cookie("QuoraxSession"));
  const HttpResponse plain = browser_->Get("/Quorax.asp?WCI=ImportDone&WCU=&d=a");
  const HttpResponse tls = secure.Get("/Quorax.asp?WCI=ImportDone&WCU=&d=a");
  ASSERT_EQ(plain.status, 200);
  ASSERT_GT(plain.body.size(), 1u << 20);
  EXPECT_EQ(Occurrences(plain.body, "<TD BGCOLOR=#DD0000"), 3000);
  EXPECT_EQ(tls.status, 200);
  EXPECT_EQ(tls.Header("Content-Length"), std::to_string(tls.body.size()));
  // Absolute addresses on the page name the listener that served it.
  std::string same = tls.body;
  const std::string tls_host = "127.0.0.1:" + std::to_string(server_->tls_port());
  const std::string plain_host = "127.0.0.1:" + std::to_string(server_->port());
  for (size_t at = same.find(tls_host); at != std::string::npos; at = same.find(tls_host, at)) {
    same.replace(at, tls_host.size(), plain_host);
  }
  EXPECT_EQ(same.size(), plain.body.size());
  EXPECT_TRUE(same == plain.body);
}

}  // namespace
}  // namespace quorax
