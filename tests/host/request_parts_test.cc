#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "common/errors.h"

#include "host/error_pages.h"
#include "host/request_router.h"
#include "host/routes.h"
#include "host/url_encoding.h"
#include "http/access_log.h"
#include "http/response_headers.h"

namespace quorax {
namespace {

TEST(UrlEncodingTest, DecodesPlusAndPercentToBytes) {
  EXPECT_EQ(DecodeUrlComponent("a+b%20c%e9%2B"), "a b c\xe9+");
  EXPECT_EQ(DecodeUrlComponent("100%"), "100%");
  EXPECT_EQ(DecodeUrlComponent("%zz%4"), "%zz%4");
  EXPECT_EQ(DecodeUrlComponent("%00"), std::string(1, '\0'));
}

TEST(UrlEncodingTest, ParsesPairsCaseInsensitiveFirstWins) {
  UrlValues values = ParseUrlEncoded("WCI=Login&wcu=&s=1&&flag&S=2&pwd=p%26w%3Dd");
  EXPECT_EQ(LookUp(values, "wci"), "Login");
  EXPECT_EQ(LookUp(values, "WCU"), "");
  EXPECT_EQ(values.count("WCU"), 1u);
  EXPECT_EQ(LookUp(values, "s"), "1");
  EXPECT_EQ(values.count("FLAG"), 1u);
  EXPECT_EQ(LookUp(values, "pwd"), "p&w=d");
  EXPECT_EQ(LookUp(values, "absent"), "");
}

TEST(CookieValueTest, FindsExactNameAmongOthers) {
  EXPECT_EQ(CookieValue("a=1; QuoraxSession=abc; b=2", "QuoraxSession"), "abc");
  EXPECT_EQ(CookieValue("XQuoraxSession=abc", "QuoraxSession"), "");
  EXPECT_EQ(CookieValue("", "QuoraxSession"), "");
}

TEST(RoutesTest, PageMatchesInAnyDirectoryAnyCaseOtherPathsExactly) {
  const Routes routes = PageRoutes("Quorax.asp", "ImportCSV");
  EXPECT_TRUE(routes.IsPagePath("/Quorax.asp"));
  EXPECT_TRUE(routes.IsPagePath("/results/QUORAX.ASP"));
  EXPECT_FALSE(routes.IsPagePath("/Quorax.asp/x"));
  EXPECT_FALSE(routes.IsPagePath("/XQuorax.aspx"));
  ASSERT_NE(routes.Find("/"), nullptr);
  EXPECT_EQ(routes.Find("/")->location, "/Quorax.asp");
  ASSERT_NE(routes.Find("/healthz"), nullptr);
  EXPECT_EQ(routes.Find("/healthz")->kind, RouteKind::kHealth);
  EXPECT_EQ(routes.Find("/healthz/"), nullptr);
}

TEST(ErrorPagesTest, ErrorPageEscapesMessageAndLinksStart) {
  Reply reply = RefusalPage(400, "Problem", "<b>&", "/a\"b/Quorax.asp");
  EXPECT_NE(reply.body.find("&lt;b&gt;&amp;"), std::string::npos);
  EXPECT_NE(reply.body.find("href=\"/a&quot;b/Quorax.asp\""), std::string::npos);
}

TEST(ErrorPagesTest, StartLinkNeverNamesAnotherHost) {
  EXPECT_EQ(StartLinkFor("//evil.example/Quorax.asp"), "/evil.example/Quorax.asp");
  EXPECT_EQ(StartLinkFor("/\\evil.example/Quorax.asp"), "/evil.example/Quorax.asp");
  EXPECT_EQ(StartLinkFor("/r/Quorax.asp"), "/r/Quorax.asp");
}

TEST(ErrorPagesTest, WithoutLineBreaksStripsCrLf) {
  EXPECT_EQ(WithoutLineBreaks("a\r\nSet-Cookie: x\rb\n"), "aSet-Cookie: xb");
}

TEST(ErrorPagesTest, ErrorStatusIsFiveHundredOnlyForPlatformAndForeignErrorsButAFullSpool) {
  const struct {
    std::function<void()> raise;
    unsigned status;
  } cases[] = {
      {[] { throw Overflow("o"); }, 400},           {[] { throw SubscriptOutOfRange("s"); }, 400},
      {[] { throw InvalidArgument("i"); }, 400},    {[] { throw MissingKey("m"); }, 400},
      {[] { throw DuplicateKey("d"); }, 400},       {[] { throw PlatformFailure("p"); }, 500},
      {[] { throw std::runtime_error("r"); }, 500}, {[] { throw 7; }, 500},
      {[] { throw SpoolFull("f"); }, 507},
  };
  for (const auto& c : cases) {
    Reply reply;
    try {
      c.raise();
    } catch (...) {
      reply = ErrorPage(std::current_exception(), "/");
    }
    EXPECT_EQ(reply.status, c.status) << reply.body;
  }
  Reply foreign = ErrorPage(std::make_exception_ptr(std::runtime_error("secret")), "/");
  EXPECT_EQ(foreign.body.find("secret"), std::string::npos);
  EXPECT_NE(foreign.body.find("The server met an internal error."), std::string::npos);
}

TEST(ResponseHeadersTest, KeepsWhatTheHostSendsAndDropsFraming) {
  ResponseHeaders headers("text/html");
  headers.Add("X-A", "1\r\nX-B: 2");
  headers.Add("content-type", "text/csv\n");
  for (const char* framing : {"Content-Length", "transfer-encoding", "CONNECTION"}) {
    headers.Add(framing, "9");
  }
  headers.SetLocation("/a");
  headers.SetLocation("/b\r");
  EXPECT_EQ(headers.list(), (ResponseHeaders::List{{"X-A", "1X-B: 2"}, {"Location", "/b"}}));
  EXPECT_EQ(headers.content_type(), "text/csv");
  EXPECT_THROW(headers.Add("Bad Name", "x"), InvalidArgument);
  EXPECT_THROW(headers.Add("", "x"), InvalidArgument);
  EXPECT_EQ(headers.list().size(), 2u);
}

// One buffer serves every line: each replaces the last whole.
TEST(AccessLogLineTest, LeavesOutQueryAndControlCharacters) {
  std::string line = "left from an earlier request";
  FormatAccessLogLine(line, "10.1.2.3", "POST", "/Quorax.asp?WCI=SubmitCSV&pwd=secret", 302, 0, 12);
  EXPECT_EQ(line, "10.1.2.3 POST /Quorax.asp 302 0 12ms");
  FormatAccessLogLine(line, "::1", "GET", "/a\nFAKE b", 404, 10, 1);
  EXPECT_EQ(line, "::1 GET /a?FAKE?b 404 10 1ms");
  FormatAccessLogLine(line, "", "", "", 400, 5, 0);
  EXPECT_EQ(line, "- - - 400 5 0ms");
}

TEST(ErrorLogLineTest, NamesTheMessageOrAnUnknownExceptionOnOneLine) {
  EXPECT_EQ(ErrorLogLine("x", std::make_exception_ptr(std::runtime_error("a\nFAKE b"))),
            "error in x: a?FAKE b");
  EXPECT_EQ(ErrorLogLine("x", std::make_exception_ptr(42)), "error in x: unknown exception");
}

}  // namespace
}  // namespace quorax
