#include "host/request_guard.h"

#include <gtest/gtest.h>

#include <string>

#include "common/text.h"
#include "host/test_server.h"
#include "testing/http_client.h"

namespace quorax {
namespace {

using testkit::HttpResponse;
using testkit::Request;

TEST(IsSameOriginTest, ComparesSchemeHostAndPortWithDefaults) {
  struct Case {
    const char* origin;
    const char* host;
    bool https;
    bool same;
  };
  for (const Case& c :
       {Case{"http://127.0.0.1:8080", "127.0.0.1:8080", false, true},
        Case{"https://Example.org", "example.org:443", true, true},
        Case{"http://[::1]:80", "[::1]", false, true},
        Case{"http://example.org", "example.org", true, false},
        Case{"http://example.org:81", "example.org", false, false},
        Case{"http://evil.example", "example.org", false, false},
        Case{"http://example.org@evil", "example.org", false, false},
        Case{"null", "example.org", false, false}, Case{"http://example.org", "", false, false}}) {
    EXPECT_EQ(IsSameOrigin(c.origin, c.host, c.https), c.same) << c.origin << " / " << c.host;
  }
}

// The test client names the server "Host: 127.0.0.1:PORT", so its origin is
// http://127.0.0.1:PORT.
TEST(RequestGuardTest, CrossSitePostIsRefusedBeforeAnySession) {
  TestServer server;
  const std::string self = "Origin: http://127.0.0.1:" + std::to_string(server.port()) + "\r\n";
  struct Case {
    std::string headers;
    int status;
  };
  const std::string echo = "/Quorax.asp?WCI=Echo&WCU=";
  for (const Case& c :
       {Case{self, 200}, Case{"Origin: http://127.0.0.1\r\n", 403},
        Case{"Origin: http://evil.example\r\n", 403}, Case{"Origin: null\r\n", 403},
        Case{"Origin: https://127.0.0.1\r\n", 403}, Case{"Origin: http://127.0.0.1:8080\r\n", 403},
        Case{"Origin: http://evil.example\r\nSec-Fetch-Site: same-origin\r\n", 403},
        Case{"Sec-Fetch-Site: cross-site\r\n", 403}, Case{"Sec-Fetch-Site: same-site\r\n", 403},
        Case{"Sec-Fetch-Site: same-origin\r\n", 200}, Case{"Sec-Fetch-Site: none\r\n", 200},
        Case{"", 200}}) {
    int calls = server.app().calls;
    HttpResponse response = Request(server.port(), "POST", echo, c.headers, "uid=x");
    EXPECT_EQ(response.status, c.status) << c.headers;
    if (c.status == 403) {
      EXPECT_NE(response.body.find("Cross-site request refused"), std::string::npos);
      EXPECT_EQ(response.CountHeader("Set-Cookie"), 0);
      EXPECT_EQ(server.app().calls, calls);
    }
  }
  EXPECT_EQ(Request(server.port(), "GET", echo, "Origin: http://evil.example\r\n").status, 200);
}

// A link that logs out is followed only from this site's own pages (or the
// user's own hand); from anywhere else, or when the browser does not say,
// the tester is asked to confirm with a POST, and the session stays.
TEST(RequestGuardTest, LogOutByAnotherSitesLinkAsksToConfirm) {
  TestServer server;
  const std::string self = "http://127.0.0.1:" + std::to_string(server.port());
  struct Case {
    std::string target;
    std::string headers;
    bool served;
  };
  for (const Case& c : {
           Case{"/Quorax.asp?s=5", "Sec-Fetch-Site: same-origin\r\n", true},
           Case{"/Quorax.asp?s=5", "Sec-Fetch-Site: none\r\n", true},
           Case{"/Quorax.asp?s=5", "Referer: " + self + "/Quorax.asp?WCI=ImportDone\r\n", true},
           Case{"/Quorax.asp?s=5", "Origin: " + self + "\r\n", true},
           Case{"/Quorax.asp?s=5", "Sec-Fetch-Site: cross-site\r\n", false},
           Case{"/Quorax.asp?s=5", "Sec-Fetch-Site: same-site\r\n", false},
           Case{"/Quorax.asp?s=5",
                "Sec-Fetch-Site: cross-site\r\nReferer: " + self + "/Quorax.asp\r\n", false},
           Case{"/Quorax.asp?s=5", "Referer: " + self + ".evil.example/\r\n", false},
           Case{"/Quorax.asp?s=5", "Referer: http://evil.example/?" + self + "\r\n", false},
           Case{"/Quorax.asp?s=5", "", false},
           Case{"/results/Quorax.asp?S=+05&x=1", "", false},
           Case{"/Quorax.asp?s=4", "Sec-Fetch-Site: cross-site\r\n", true},
           Case{"/Quorax.asp?s=5&WCI=Echo&WCU=", "", true},
       }) {
    const int calls = server.app().calls;
    HttpResponse response = Request(server.port(), "GET", c.target, c.headers);
    EXPECT_EQ(response.status, 200) << c.target << " " << c.headers;
    EXPECT_EQ(server.app().calls > calls, c.served) << c.target << " " << c.headers;
    if (c.served) continue;
    EXPECT_EQ(response.CountHeader("Set-Cookie"), 0);
    const std::string form = "<form method=\"post\" action=\"" + HtmlEscape(c.target) + "\">";
    EXPECT_NE(response.body.find(form), std::string::npos) << response.body;
    const int confirmed = server.app().calls;
    EXPECT_EQ(Request(server.port(), "POST", c.target, "Origin: " + self + "\r\n").status, 200);
    EXPECT_GT(server.app().calls, confirmed);
  }
}

TEST(RequestGuardTest, ImportByGetGoesToTheStartPageWithoutASession) {
  TestServer server;
  int calls = server.app().calls;
  HttpResponse response = Request(server.port(), "GET", "/results/Quorax.asp?wci=importcsv&WCU=");
  EXPECT_EQ(response.status, 302);
  EXPECT_EQ(response.Header("Location"),
            "http://127.0.0.1:" + std::to_string(server.port()) + "/results/Quorax.asp");
  EXPECT_EQ(response.CountHeader("Set-Cookie"), 0);
  EXPECT_EQ(server.app().calls, calls);
}

}  // namespace
}  // namespace quorax
