#ifndef QUORAX_TESTS_WEB_END_TO_END_FIXTURE_H_
#define QUORAX_TESTS_WEB_END_TO_END_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "testing/live_server.h"
#include "testing/read_file.h"
#include "testing/settings_file.h"
#include "testing/web_browser.h"
#include "web/main.h"

namespace quorax {

using testkit::HttpResponse;
using testkit::ReadFile;
using testkit::WebBrowser;

inline constexpr char kSignIn[] = "/Quorax.asp?WCI=SubmitCSV&WCU=";
inline constexpr char kUpload[] = "/Quorax.asp?WCI=ImportCSV&WCU=";
inline constexpr char kBoundary[] = "----WebKitFormBoundaryq3ZbT0xn9Lk2fWcA";

// The body a browser sends for the upload form with `file` chosen.
inline std::string BrowserUploadBody(const std::string& file_name, const std::string& content) {
  return std::string("--") + kBoundary +
         "\r\nContent-Disposition: form-data; name=\"csvfile\"; filename=\"" + file_name +
         "\"\r\nContent-Type: text/csv\r\n\r\n" + content + "\r\n--" + kBoundary + "--\r\n";
}

inline int Occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The targets of the page's links whose address holds `item`, with the
// attribute escaping undone, in page order.
inline std::vector<std::string> LinksTo(const std::string& page, const std::string& item) {
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

// The real server and application on free loopback ports, plain and TLS
// (a self-signed certificate), using the repository's templates and the
// test-case database that QUORAX_TEST_DSN reaches (holding the demo data and
// the login demo/demo). In debug mode both listeners serve and the browser
// uses the plain one; deployed (Tls()), debug mode is off, addresses are
// https and the browser uses the TLS listener.
class EndToEndFixture : public ::testing::Test {
 protected:
  virtual bool Tls() const { return false; }

  void SetUp() override {
    const char* dsn = std::getenv("QUORAX_TEST_DSN");
    if (dsn == nullptr || *dsn == '\0') GTEST_SKIP() << "QUORAX_TEST_DSN is not set";
    settings_ = std::make_unique<SettingsFile>(std::initializer_list<std::string>{
        Tls() ? "Secure=Y" : "Debug=Y", "BaseDir=/", std::string("DSN=") + dsn});
    app_ = std::make_unique<quorax::main>(settings_->path());
    server_ = std::make_unique<testkit::LiveServer>(*app_, testkit::ExtraListeners{true, true});
    browser_ = std::make_unique<WebBrowser>(Listener(Tls()));
  }

  testkit::Endpoint Listener(bool tls) const {
    return {tls ? server_->tls_port() : server_->port(), tls};
  }
  // The scheme, host and port of the browser's listener.
  std::string Origin() const {
    return std::string(Tls() ? "https" : "http") +
           "://127.0.0.1:" + std::to_string(Listener(Tls()).port);
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
  std::unique_ptr<testkit::LiveServer> server_;
  std::unique_ptr<WebBrowser> browser_;
};

}  // namespace quorax

#endif  // QUORAX_TESTS_WEB_END_TO_END_FIXTURE_H_
