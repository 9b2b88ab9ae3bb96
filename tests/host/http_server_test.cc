#include "host/http_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <thread>

#include "host/test_server.h"
#include "testing/http_client.h"

namespace quorax {
namespace {

using std::chrono::milliseconds;
using testkit::HttpResponse;
using testkit::ParseResponse;
using testkit::RawClient;
using testkit::Request;

const char kFormType[] = "Content-Type: application/x-www-form-urlencoded\r\n";

// "QuoraxSession=<id>" from a response's Set-Cookie, or "".
std::string SessionCookieOf(const HttpResponse& response) {
  std::string cookie = response.Header("Set-Cookie");
  return cookie.substr(0, cookie.find(';'));
}

std::string CookieHeader(const std::string& cookie) { return "Cookie: " + cookie + "\r\n"; }

class HttpServerTest : public ::testing::Test {
 protected:
  HttpResponse Get(const std::string& target, const std::string& headers = "") {
    return Request(server_.port(), "GET", target, headers);
  }
  std::string NewSession() { return SessionCookieOf(Get("/Quorax.asp")); }

  TestServer server_;
};

TEST_F(HttpServerTest, StartPageRunsStartThenNextItem) {
  HttpResponse response = Get("/Quorax.asp?s=1");
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.body, "login s=1");
  EXPECT_EQ(response.Header("Content-Type"), "text/html; charset=windows-1252");
}

TEST_F(HttpServerTest, HostPageInAnyFolderAndCase) {
  EXPECT_EQ(Get("/results/quorax.ASP").body, "login s=");
}

TEST_F(HttpServerTest, RootRedirectsToHostPage) {
  HttpResponse response = Get("/");
  EXPECT_EQ(response.status, 302);
  EXPECT_EQ(response.Header("Location"), "/Quorax.asp");
}

TEST_F(HttpServerTest, RoutesPageItemsAndAnswersOthersWithNotFound) {
  EXPECT_EQ(Get("/Quorax.asp?WCI=echo&WCU=").status, 200);
  int calls = server_.app().calls;
  EXPECT_EQ(Get("/Quorax.asp?WCI=Nothing&WCU=").status, 404);
  EXPECT_EQ(Get("/Quorax.asp?WCI=Echo&WCU=x").status, 404);
  EXPECT_EQ(Get("/Quorax.asp?WCI=&WCU=").status, 404);
  HttpResponse other = Get("/other.html");
  EXPECT_EQ(other.status, 404);
  EXPECT_NE(other.body.find("href=\"/Quorax.asp\""), std::string::npos);
  EXPECT_EQ(server_.app().calls, calls);
}

TEST_F(HttpServerTest, OnlyGetAndPostReachTheApplication) {
  HttpResponse response = Request(server_.port(), "PUT", "/Quorax.asp", "", "x");
  EXPECT_EQ(response.status, 405);
  EXPECT_EQ(response.Header("Allow"), "GET, POST");
}

TEST_F(HttpServerTest, DecodesQueryAndFormToBytes) {
  HttpResponse response = Request(server_.port(), "POST", "/Quorax.asp?WCI=Echo&WCU=&q=a%20b+c",
                                  kFormType, "uid=J%F6rg&PWD=p%26w");
  EXPECT_EQ(response.body, "q=a b c|uid=J\xF6rg|pwd=p&w|https=off|local=127.0.0.1:" +
                               std::to_string(server_.port()) + "|total=20|body=uid=");
}

TEST_F(HttpServerTest, FormValuesOnlyFromUrlEncodedBodies) {
  HttpResponse response = Request(
      server_.port(), "POST", "/Quorax.asp?WCI=Echo&WCU=", "Content-Type: text/plain\r\n", "uid=x");
  EXPECT_NE(response.body.find("|uid=|"), std::string::npos);
  EXPECT_NE(response.body.find("|total=5|body=uid="), std::string::npos);
}

TEST(HttpServerOptionsTest, PublicAddressReplacesLocalAddr) {
  TestServer server(
      [](HostOptions& options) { options.transport.public_address = "example.org:8443"; });
  HttpResponse response = Request(server.port(), "GET", "/Quorax.asp?WCI=Echo&WCU=");
  EXPECT_NE(response.body.find("|local=example.org:8443|"), std::string::npos);
}

TEST_F(HttpServerTest, EveryResponseCarriesSecurityHeaders) {
  RawClient oversize(server_.port());
  oversize.Send("POST /Quorax.asp HTTP/1.1\r\nHost: a\r\nContent-Length: 5000\r\n\r\n");
  for (const HttpResponse& response :
       {Get("/Quorax.asp"), Get("/"), Get("/nothing"), Get("/Quorax.asp?WCI=Crash&WCU="),
        ParseResponse(oversize.ReadAll())}) {
    EXPECT_EQ(response.Header("X-Content-Type-Options"), "nosniff");
    std::string policy = response.Header("Content-Security-Policy");
    for (const char* rule : {"default-src 'none'", "frame-ancestors 'none'", "form-action 'self'",
                             "base-uri 'none'"}) {
      EXPECT_NE(policy.find(rule), std::string::npos) << rule;
    }
    EXPECT_FALSE(response.Header("Referrer-Policy").empty());
    EXPECT_EQ(response.Header("Cache-Control"), "no-store");
  }
}

TEST_F(HttpServerTest, RedirectIsFoundWithLocationWithoutLineBreaks) {
  HttpResponse response = Get("/Quorax.asp?WCI=Go&WCU=");
  EXPECT_EQ(response.status, 302);
  EXPECT_EQ(response.Header("Location"), "http://127.0.0.1/nextSet-Cookie: evil=1");
  EXPECT_EQ(response.body, "");
  for (const auto& [name, value] : response.headers) {
    EXPECT_EQ(value.find("evil=1"), name == "Location" ? value.find("evil=1") : std::string::npos);
  }
}

TEST_F(HttpServerTest, HandlerHeadersAndContentTypeAreSentSafely) {
  HttpResponse response = Get("/Quorax.asp?WCI=Headers&WCU=");
  EXPECT_EQ(response.Header("Content-Type"), "text/csv");
  EXPECT_EQ(response.Header("Content-Disposition"), "filename=errors.csvX-Injected: 1");
  EXPECT_EQ(response.CountHeader("X-Injected"), 0);
  EXPECT_EQ(response.Header("Content-Length"), "5");
  EXPECT_EQ(response.body, "a,b\r\n");
}

TEST_F(HttpServerTest, WritesTemplatesAndFailsForMissingOrUnreadableOnes) {
  EXPECT_EQ(Get("/Quorax.asp?WCI=Page&WCU=&t=PAGE.htm").body, "<p>[x]</p>");
  const struct {
    const char* name;
    const char* why;
  } failing[] = {{"missing.htm", "is not installed"},
                 {"unreadable.htm", "cannot be read: could not read the file"}};
  for (const auto& template_file : failing) {
    HttpResponse reply = Get(std::string("/Quorax.asp?WCI=Page&WCU=&t=") + template_file.name);
    EXPECT_EQ(reply.status, 500);
    EXPECT_NE(reply.body.find(template_file.name), std::string::npos);
    EXPECT_NE(reply.body.find(template_file.why), std::string::npos) << reply.body;
  }
}

TEST_F(HttpServerTest, SessionCookieAttributesAndValuesKept) {
  HttpResponse first = Get("/Quorax.asp");
  std::string set_cookie = first.Header("Set-Cookie");
  EXPECT_EQ(set_cookie.find("QuoraxSession="), 0u);
  EXPECT_EQ(SessionCookieOf(first).size(), std::string("QuoraxSession=").size() + 32);
  for (const char* attribute : {"; Path=/", "; HttpOnly", "; SameSite=Lax"}) {
    EXPECT_NE(set_cookie.find(attribute), std::string::npos) << attribute;
  }
  EXPECT_EQ(set_cookie.find("Secure"), std::string::npos);
  std::string cookie = CookieHeader(SessionCookieOf(first));
  Get("/Quorax.asp?WCI=Count&WCU=", cookie);
  HttpResponse second = Get("/Quorax.asp?WCI=Count&WCU=", cookie);
  EXPECT_EQ(second.body, "count=2|started=yes|kept=");
  EXPECT_EQ(second.CountHeader("Set-Cookie"), 0);
}

TEST_F(HttpServerTest, ErrorPagesKeepSessionAndServerServing) {
  std::string cookie = CookieHeader(NewSession());
  HttpResponse input = Get("/Quorax.asp?WCI=Fail400&WCU=", cookie);
  EXPECT_EQ(input.status, 400);
  EXPECT_NE(input.body.find("&quot;&lt;x&gt;&quot; is not a number"), std::string::npos);
  EXPECT_NE(input.body.find("href=\"/Quorax.asp\""), std::string::npos);
  EXPECT_EQ(input.body.find("partial"), std::string::npos);

  HttpResponse platform = Get("/Quorax.asp?WCI=Fail500&WCU=");
  EXPECT_EQ(platform.status, 500);
  EXPECT_NE(platform.body.find("the database is not reachable"), std::string::npos);

  HttpResponse crash = Get("/Quorax.asp?WCI=Crash&WCU=");
  EXPECT_EQ(crash.status, 500);
  EXPECT_EQ(crash.body.find("deadbeef"), std::string::npos);
  // The log keeps what the page leaves out, once.
  const std::vector<std::string> lines = server_.LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "error in the application's request: internal detail 0xdeadbeef"),
            1);

  EXPECT_EQ(Get("/Quorax.asp?WCI=Count&WCU=", cookie).body,
            "count=1|started=yes|kept=before failure");
}

TEST_F(HttpServerTest, BodyLimitAtExactSizeAndOnePast) {
  std::string form = "uid=" + std::string(996, 'a');
  EXPECT_EQ(Request(server_.port(), "POST", "/Quorax.asp?WCI=Echo&WCU=", kFormType, form).status,
            200);
  int calls = server_.app().calls;
  const HttpResponse refused =
      Request(server_.port(), "POST", "/Quorax.asp?WCI=Echo&WCU=", kFormType, form + "a");
  EXPECT_EQ(refused.status, 413);
  EXPECT_EQ(server_.app().calls, calls);
  // A page of the site that names the limit and leads back to the upload form.
  for (const char* part : {"<h1>Quorax</h1>", "at most 32,767 bytes",
                           "<a href=\"/Quorax.asp?WCI=SubmitCSV&amp;WCU=\">Back to the upload "
                           "form</a>"}) {
    EXPECT_NE(refused.body.find(part), std::string::npos) << part;
  }
}

// The limit counts the framing of a chunked body with its data: nine chunks
// of 106 bytes, one of `last` + 6 bytes and the last chunk's line "0\r\n".
TEST_F(HttpServerTest, ChunkedBodyCountsAgainstTheLimit) {
  auto chunked = [&](size_t last) {
    RawClient client(server_.port());
    std::string request =
        "POST /Quorax.asp?WCI=Echo&WCU= HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n"
        "Connection: close\r\n\r\n";
    for (size_t i = 0; i < 9; ++i) request += "64\r\n" + std::string(100, 'b') + "\r\n";
    char size[8];
    std::snprintf(size, sizeof size, "%zx\r\n", last);
    client.Send(request + size + std::string(last, 'b') + "\r\n0\r\n\r\n");
    return ParseResponse(client.ReadAll());
  };
  HttpResponse small = chunked(37);
  EXPECT_EQ(small.status, 200);
  EXPECT_NE(small.body.find("total=937|body=bbbb"), std::string::npos);
  int calls = server_.app().calls;
  EXPECT_EQ(chunked(38).status, 413);
  EXPECT_EQ(server_.app().calls, calls);
}

TEST_F(HttpServerTest, ExpectContinueGetsInterimResponseBeforeBody) {
  RawClient client(server_.port());
  client.Send(
      "POST /Quorax.asp?WCI=Echo&WCU= HTTP/1.1\r\nHost: a\r\nContent-Length: 4\r\n"
      "Expect: 100-continue\r\n\r\n");
  EXPECT_EQ(client.ReadResponse().status, 100);
  client.Send("abcd");
  EXPECT_NE(client.ReadResponse().body.find("|total=4|body=abcd"), std::string::npos);
}

TEST_F(HttpServerTest, CompressedRequestBodyIsRefused) {
  int calls = server_.app().calls;
  HttpResponse response =
      Request(server_.port(), "POST", "/Quorax.asp?WCI=Echo&WCU=", "Content-Encoding: gzip\r\n",
              "\x1f\x8b");
  EXPECT_EQ(response.status, 415);
  EXPECT_EQ(server_.app().calls, calls);
}

TEST_F(HttpServerTest, MalformedRequestsGetBadRequest) {
  for (const std::string& bytes :
       {std::string("\x01\x02\x03 nonsense\r\n\r\n"), std::string("GET\r\n\r\n"),
        std::string("GET /Quorax.asp HTTP/1.1\r\nNo colon here\r\n\r\n"),
        std::string("POST /Quorax.asp HTTP/1.1\r\nContent-Length: x\r\n\r\n"),
        std::string("POST /Quorax.asp HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n")}) {
    RawClient client(server_.port());
    client.Send(bytes);
    EXPECT_EQ(ParseResponse(client.ReadAll()).status, 400) << bytes;
  }
  EXPECT_EQ(Get("/Quorax.asp").status, 200);
}

TEST_F(HttpServerTest, OversizeHeaderIsRefused) {
  HttpResponse response = Get("/Quorax.asp", "X-Big: " + std::string(3000, 'h') + "\r\n");
  EXPECT_EQ(response.status, 431);
}

TEST_F(HttpServerTest, SlowClientIsTimedOutWhileOthersAreServed) {
  RawClient slow(server_.port());
  slow.Send("GET /Quorax.asp HTTP/1.1\r\nHost: a\r\n");
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Get("/Quorax.asp").status, 200);
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(400));
  EXPECT_TRUE(slow.ClosedWithin(milliseconds(2000)));
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(400));
}

TEST_F(HttpServerTest, KeptAliveConnectionServesRequestsThenTimesOutWhenIdle) {
  RawClient client(server_.port());
  for (int i = 0; i < 2; ++i) {
    client.Send("GET /Quorax.asp?s=" + std::to_string(i) + " HTTP/1.1\r\nHost: a\r\n\r\n");
    EXPECT_EQ(client.ReadResponse().body, "login s=" + std::to_string(i));
  }
  EXPECT_TRUE(client.ClosedWithin(milliseconds(2000)));
}

// A connection reuses its buffers from one reply to the next: a large reply
// leaves nothing behind, and the thousandth start page on the connection is
// the first one byte for byte but for its new session's cookie.
TEST_F(HttpServerTest, KeptAliveRepliesAreUnchangedByTheOnesBefore) {
  RawClient client(server_.port());
  auto get = [&client](const std::string& target) {
    client.Send("GET " + target + " HTTP/1.1\r\nHost: a\r\n\r\n");
    HttpResponse response = client.ReadResponse();
    for (auto& [name, value] : response.headers) {
      if (name == "Set-Cookie") value = value.substr(value.find(';'));
    }
    return response;
  };
  const HttpResponse first = get("/Quorax.asp");
  EXPECT_EQ(get("/Quorax.asp?WCI=Large&n=40000").body.size(), 40000u);
  HttpResponse last;
  for (int i = 0; i < 1000; ++i) last = get("/Quorax.asp");
  EXPECT_EQ(last.status, first.status);
  EXPECT_EQ(last.headers, first.headers);
  EXPECT_EQ(last.body, first.body);
}

TEST_F(HttpServerTest, OneSessionsRequestsRunOneAtATime) {
  std::string a = CookieHeader(NewSession());
  std::string b = CookieHeader(NewSession());
  auto slow = [&](const std::string& cookie) {
    return std::async(std::launch::async,
                      [&, cookie] { return Get("/Quorax.asp?WCI=Slow&WCU=", cookie).status; });
  };
  {
    auto first = slow(a);
    auto second = slow(a);
    EXPECT_EQ(first.get(), 200);
    EXPECT_EQ(second.get(), 200);
  }
  EXPECT_EQ(server_.app().max_running, 1);
  {
    auto first = slow(a);
    auto second = slow(b);
    EXPECT_EQ(first.get(), 200);
    EXPECT_EQ(second.get(), 200);
  }
  EXPECT_EQ(server_.app().max_running, 2);
}

// The old id reaches nothing; the browser goes on in a fresh, empty session.
TEST_F(HttpServerTest, AbandonedSessionIsGoneAndAFreshOneFollows) {
  const std::string old_cookie = NewSession();
  HttpResponse abandon = Get("/Quorax.asp?WCI=Abandon&WCU=", CookieHeader(old_cookie));
  const std::string fresh = SessionCookieOf(abandon);
  EXPECT_FALSE(fresh.empty());
  EXPECT_NE(fresh, old_cookie);
  EXPECT_EQ(Get("/Quorax.asp?WCI=Count&WCU=", CookieHeader(old_cookie)).body,
            "count=1|started=|kept=");
  EXPECT_EQ(Get("/Quorax.asp?WCI=Count&WCU=", CookieHeader(fresh)).body, "count=1|started=|kept=");
}

TEST_F(HttpServerTest, SignInMovesTheSessionToANewIdAndCookie) {
  const std::string old_cookie = NewSession();
  Get("/Quorax.asp?WCI=Count&WCU=", CookieHeader(old_cookie));
  HttpResponse sign_in = Get("/Quorax.asp?WCI=SignIn&WCU=", CookieHeader(old_cookie));
  EXPECT_EQ(sign_in.body, "signed in from 127.0.0.1");
  const std::string set_cookie = sign_in.Header("Set-Cookie");
  const std::string new_cookie = SessionCookieOf(sign_in);
  EXPECT_EQ(new_cookie.size(), old_cookie.size());
  EXPECT_NE(new_cookie, old_cookie);
  EXPECT_EQ(set_cookie.substr(new_cookie.size()), "; Path=/; HttpOnly; SameSite=Lax");
  EXPECT_EQ(Get("/Quorax.asp?WCI=Count&WCU=", CookieHeader(new_cookie)).body,
            "count=2|started=yes|kept=");
  EXPECT_EQ(Get("/Quorax.asp?WCI=Count&WCU=", CookieHeader(old_cookie)).body,
            "count=1|started=|kept=");
}

TEST(HttpServerSessionsTest, IdleSessionExpires) {
  TestServer server([](HostOptions& options) { options.session_timeout = milliseconds(200); });
  auto count = [&](const std::string& cookie) {
    return Request(server.port(), "GET", "/Quorax.asp?WCI=Count&WCU=", CookieHeader(cookie));
  };
  std::string cookie = SessionCookieOf(count(""));
  EXPECT_EQ(count(cookie).body.substr(0, 7), "count=2");
  std::this_thread::sleep_for(milliseconds(300));
  EXPECT_EQ(count(cookie).body.substr(0, 7), "count=1");
}

TEST(HttpServerSessionsTest, SessionCapRefusesNewSessionsWhenAllAreInUse) {
  TestServer server([](HostOptions& options) { options.max_sessions = 2; });
  std::vector<std::string> cookies;
  std::vector<std::future<int>> busy;
  for (int i = 0; i < 2; ++i) {
    cookies.push_back(CookieHeader(SessionCookieOf(Request(server.port(), "GET", "/Quorax.asp"))));
    busy.push_back(std::async(std::launch::async, [&, cookie = cookies.back()] {
      return Request(server.port(), "GET", "/Quorax.asp?WCI=Slow&WCU=", cookie).status;
    }));
  }
  while (server.app().running < 2) std::this_thread::sleep_for(milliseconds(5));
  HttpResponse refused = Request(server.port(), "GET", "/Quorax.asp");
  EXPECT_EQ(refused.status, 503);
  for (auto& request : busy) EXPECT_EQ(request.get(), 200);
  EXPECT_EQ(Request(server.port(), "GET", "/Quorax.asp?WCI=Count&WCU=", cookies[0]).body,
            "count=1|started=yes|kept=");
}

TEST_F(HttpServerTest, AccessLogNamesRequestsButNoValues) {
  Request(server_.port(), "POST", "/Quorax.asp?WCI=Echo&WCU=&q=topsecret", kFormType,
          "uid=u&pwd=hunter2");
  Get("/nothing?pwd=hunter2");
  std::vector<std::string> lines = server_.LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("127.0.0.1 POST /Quorax.asp 200 ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("127.0.0.1 GET /nothing 404 ", 0), 0u) << lines[1];
  for (const auto& line : lines) {
    EXPECT_EQ(line.find("topsecret"), std::string::npos);
    EXPECT_EQ(line.find("hunter2"), std::string::npos);
  }
}

TEST_F(HttpServerTest, StopLetsRequestInProgressFinish) {
  auto slow =
      std::async(std::launch::async, [&] { return Get("/Quorax.asp?WCI=Slow&WCU=").status; });
  while (server_.app().running == 0) std::this_thread::sleep_for(milliseconds(5));
  server_.server().Stop();
  EXPECT_EQ(slow.get(), 200);
}

}  // namespace
}  // namespace quorax
