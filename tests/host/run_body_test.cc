#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <thread>
#include <utility>

#include "common/spool_file.h"
#include "host/test_server.h"
#include "testing/http_client.h"
#include "testing/self_signed.h"
#include "testing/temp_dir.h"

namespace quorax {
namespace {

using std::chrono::milliseconds;
using testkit::Endpoint;
using testkit::HttpResponse;
using testkit::RawClient;
using testkit::Request;

constexpr char kRunTarget[] = "/Quorax.asp?WCI=Run&WCU=";
constexpr uint64_t kBudget = 1 << 20;

// The head of a POST to the run item: `headers` (whole lines), then
// `framing` ("Content-Length: N" or "Transfer-Encoding: chunked").
std::string RunHead(const std::string& headers, const std::string& framing) {
  return std::string("POST ") + kRunTarget + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers +
         framing + "\r\n\r\n";
}

// A server on plain, TLS and metrics listeners whose spool is a folder of
// the test's own, with a budget of 1 MiB.
class RunBodyTest : public ::testing::Test {
 protected:
  // The cookie of a fresh session after the GET of each of `items` in turn.
  std::string SessionThrough(std::initializer_list<const char*> items) {
    std::string cookie;
    for (const char* item : items) {
      const HttpResponse response =
          Request(server_.port(), "GET", std::string("/Quorax.asp?WCI=") + item + "&WCU=",
                  cookie.empty() ? "" : "Cookie: " + cookie + "\r\n");
      const std::string set = response.Header("Set-Cookie");
      if (!set.empty()) cookie = set.substr(0, set.find(';'));
    }
    return cookie;
  }

  // True once the spool holds no file and no byte, waiting up to a second
  // for the requests that held one to end.
  bool SpoolEmpties() const {
    for (int i = 0; i < 100; ++i) {
      if (spool_.IsEmpty() && SpooledBytes() == 0) return true;
      std::this_thread::sleep_for(milliseconds(10));
    }
    return false;
  }

  testkit::TempDir keys_;
  testkit::TempDir spool_;
  TestServer server_{[this](HostOptions& options) {
    testkit::MakeSelfSigned(keys_.Path("cert.pem"), keys_.Path("key.pem"));
    options.tls_listen = "127.0.0.1:0";
    options.tls_cert = keys_.Path("cert.pem");
    options.tls_key = keys_.Path("key.pem");
    options.metrics_listen = "127.0.0.1:0";
    options.spool_dir = spool_.root().string();
    options.max_spool_bytes = kBudget;
  }};
};

// Each request declares 64 MiB and sends 64 KiB of it: the answer comes on
// the header alone (the read timeout of 500 ms would otherwise drop the
// connection unanswered), the connection closes, and nothing was spooled.
TEST_F(RunBodyTest, StrangersAreAnsweredOnTheHeaderAloneAndClosed) {
  const std::string in_order = SessionThrough({"SignIn", "Form"});
  const std::string out_of_order = SessionThrough({"SignIn"});
  const std::string guest = SessionThrough({"Form"});
  const uint16_t plain = server_.port();
  const Endpoint tls(server_.server().tls_port(), true);
  const uint16_t metrics = server_.server().metrics_port();
  const struct {
    const char* name;
    Endpoint endpoint;
    std::string headers;
    int status;
  } cases[] = {
      {"no session", plain, "", 302},
      {"no session over TLS", tls, "", 302},
      {"unknown session", plain, "Cookie: QuoraxSession=0123456789abcdef\r\n", 302},
      {"guest in page order", plain, "Cookie: " + guest + "\r\n", 302},
      {"signed in out of page order", tls, "Cookie: " + out_of_order + "\r\n", 302},
      {"cross-site", plain, "Cookie: " + in_order + "\r\nOrigin: https://evil.example\r\n", 403},
      {"metrics listener", metrics, "Cookie: " + in_order + "\r\n", 404},
  };
  for (const auto& c : cases) {
    RawClient client(c.endpoint);
    client.Send(RunHead(c.headers, "Content-Length: 67108864") + std::string(64 << 10, 'x'));
    EXPECT_EQ(client.ReadResponse().status, c.status) << c.name;
    EXPECT_TRUE(client.ClosedWithin(milliseconds(5000))) << c.name;
    EXPECT_TRUE(SpoolEmpties()) << c.name;
  }
}

// A body over the budget is refused with 507, whether its declared length
// says so on the header (larger than the whole budget: it never fits) or its
// chunks pass the budget as they come; the
// page names no folder, the spool is given back, and the next run is read.
TEST_F(RunBodyTest, BodyOverTheSpoolBudgetGets507AndTheNextRunIsServed) {
  const std::string cookie = "Cookie: " + SessionThrough({"SignIn", "Form"}) + "\r\n";
  const std::string chunk = "10000\r\n" + std::string(0x10000, 'x') + "\r\n";
  std::string chunks;
  for (uint64_t sent = 0; sent <= kBudget; sent += 0x10000) chunks += chunk;
  const std::pair<std::string, const char*> cases[] = {
      {RunHead(cookie, "Content-Length: " + std::to_string(kBudget + 1)), "never fits here"},
      {RunHead(cookie, "Transfer-Encoding: chunked") + chunks + "0\r\n\r\n",
       "no room for this file now"}};
  for (const auto& [request, words] : cases) {
    RawClient client(server_.port());
    client.Send(request);
    const HttpResponse response = client.ReadResponse();
    EXPECT_EQ(response.status, 507);
    EXPECT_NE(response.body.find(words), std::string::npos) << words;
    EXPECT_EQ(response.body.find(spool_.root().string()), std::string::npos);
    EXPECT_TRUE(client.ClosedWithin(milliseconds(5000)));
    EXPECT_TRUE(SpoolEmpties());
  }
  const HttpResponse next =
      Request(server_.port(), "POST", kRunTarget, cookie, std::string(kBudget, 'y'));
  EXPECT_EQ(next.body, "run=" + std::to_string(kBudget));
  EXPECT_TRUE(SpoolEmpties());
}

// A server's start removes the spool files no live process holds, and only
// those; a folder it makes is its user's alone.
TEST(SpoolFolderTest, StartRemovesLeftSpoolFilesOnly) {
  testkit::TempDir spool;
  ConfigureSpool(spool.root().string(), kDefaultSpoolBytes);
  const SpoolFile live;  // as a server still running holds its file
  spool.Write("spool-left", "of a killed server");
  spool.Write("notes.txt", "the operator's");
  TestServer first([&](HostOptions& options) { options.spool_dir = spool.root().string(); });
  EXPECT_FALSE(std::filesystem::exists(spool.Path("spool-left")));
  EXPECT_TRUE(std::filesystem::exists(spool.Path("notes.txt")));
  EXPECT_TRUE(std::filesystem::exists(live.path()));

  TestServer second([&](HostOptions& options) { options.spool_dir = spool.Path("new"); });
  struct stat info {};
  ASSERT_EQ(stat(spool.Path("new").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

}  // namespace
}  // namespace quorax
