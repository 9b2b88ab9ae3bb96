#ifndef QUORAX_TESTS_HOST_TEST_SERVER_H_
#define QUORAX_TESTS_HOST_TEST_SERVER_H_

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/http_server.h"
#include "host/web_application.h"
#include "testing/live_server.h"
#include "testing/temp_dir.h"

namespace quorax {

// A small application whose page items exercise the host:
//   start: sets session "Started" and names Login, which writes "login s=<s>"
//   Echo: writes the query, form and server values it reads
//   Count: counts requests in the session; Slow: holds the worker a while
//   Go: redirects; Fail400/Fail500/Crash: raise after writing a session value
//   Headers: adds headers with line breaks; Page: writes "page.htm"
//   Large: writes `n` (a query value) bytes of a repeating pattern
//   Abandon: abandons the session; SignIn: signs "tester" in, writes REMOTE_ADDR
//   Form: shows the run's form; Run, the run item: takes a body after Form,
//     writing "run=<bytes>", and without a body goes back to the start page
// It serves plain connections while `serves_plain` is set.
class TestApp : public WebApplication {
 public:
  // Served at "Quorax.asp", whose upload item is "ImportCSV" and run item "Run".
  Routes SiteRoutes() const override;
  void WebClass_Start(WebHost& host) override;
  bool Respond(const std::string& item, WebHost& host) override;
  bool ServesPlainConnections() const override { return serves_plain; }
  bool TakesRunBody(const Session& session) const override;

  std::atomic<bool> serves_plain{true};
  std::atomic<int> calls{0};
  std::atomic<int> running{0};
  std::atomic<int> max_running{0};
};

// A started server with TestApp on free loopback ports, a templates folder
// holding "page.htm", short timeouts, and the access log kept in memory.
class TestServer {
 public:
  // `adjust` may change the options before the server starts.
  template <class Adjust>
  explicit TestServer(Adjust adjust) {
    HostOptions options = DefaultOptions();
    adjust(options);
    Start(std::move(options));
  }
  TestServer() : TestServer([](HostOptions&) {}) {}

  uint16_t port() const { return live_->port(); }
  uint16_t tls_port() const { return live_->tls_port(); }
  HttpServer& server() { return live_->server(); }
  TestApp& app() { return app_; }
  std::vector<std::string> LogLines();

 private:
  HostOptions DefaultOptions();
  void Start(HostOptions options);

  TestApp app_;
  testkit::TempDir dir_;  // holds the templates
  std::mutex log_mutex_;
  std::vector<std::string> log_;
  std::unique_ptr<testkit::LiveServer> live_;
};

}  // namespace quorax

#endif  // QUORAX_TESTS_HOST_TEST_SERVER_H_
