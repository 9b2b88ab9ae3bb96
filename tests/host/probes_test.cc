#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/test_server.h"
#include "http/forwarded.h"
#include "metrics/metric_value.h"
#include "testing/http_client.h"

namespace quorax {
namespace {

using testkit::HttpResponse;
using testkit::Request;

constexpr char kLiveSessions[] = "quorax_sessions_live";

TEST(OriginOfTest, ForwardedHeadersCountOnlyFromTrustedPeers) {
  const std::vector<std::string> trusted = {"10.0.0.5", "::1"};
  struct Case {
    const char* peer;
    bool tls;
    const char* proto;
    const char* forwarded_for;
    const char* address;
    bool https;
  } cases[] = {
      {"10.0.0.5", false, "https", "203.0.113.7", "203.0.113.7", true},
      {"10.0.0.9", false, "https", "203.0.113.7", "10.0.0.9", false},              // not trusted
      {"10.0.0.9", true, "http", "", "10.0.0.9", true},                            // not trusted
      {"10.0.0.5", false, "", "198.51.100.1, 203.0.113.7", "203.0.113.7", false},  // rightmost
      {"::1", true, "HTTP", " ::ffff:192.0.2.1 ", "192.0.2.1", false},
      {"10.0.0.5", true, "", "", "10.0.0.5", true},
      {"10.0.0.5", false, "gopher", "203.0.113.7, unknown", "10.0.0.5", false},  // malformed
  };
  for (const Case& c : cases) {
    ClientOrigin origin = OriginOf(c.peer, c.tls, c.proto, c.forwarded_for, trusted);
    EXPECT_EQ(origin.address, c.address) << c.peer << " " << c.forwarded_for;
    EXPECT_EQ(origin.https, c.https) << c.peer << " " << c.proto;
  }
}

class ProbesTest : public ::testing::Test {
 protected:
  std::string Scrape() { return Request(server_.server().metrics_port(), "GET", "/metrics").body; }

  TestServer server_{[](HostOptions& options) {
    options.metrics_listen = "127.0.0.1:0";
    options.transport.trusted_proxies = {"127.0.0.1"};
  }};
};

TEST_F(ProbesTest, HealthCheckMakesNoSessionAndNoLogLine) {
  const double sessions = MetricValue(Scrape(), kLiveSessions);
  for (const char* target : {"/healthz", "/healthz?db=1"}) {
    HttpResponse response = Request(server_.port(), "GET", target);
    EXPECT_EQ(response.status, 200) << target;
    EXPECT_EQ(response.body, "ok");
    EXPECT_EQ(response.Header("Content-Type"), "text/plain; charset=utf-8");
    EXPECT_EQ(response.CountHeader("Set-Cookie"), 0) << target;
  }
  EXPECT_EQ(MetricValue(Scrape(), kLiveSessions), sessions);
  EXPECT_TRUE(server_.LogLines().empty());
  EXPECT_EQ(server_.app().calls, 0);
}

TEST_F(ProbesTest, MetricsListenerCountsResponsesAndServesNothingElse) {
  const std::string before = Scrape();
  EXPECT_EQ(Request(server_.port(), "GET", "/nothing").status, 404);
  const std::string after = Scrape();
  const std::string not_found = "quorax_http_responses_total{class=\"4xx\"}";
  EXPECT_EQ(MetricValue(after, not_found) - MetricValue(before, not_found), 1);
  EXPECT_EQ(MetricValue(after, kLiveSessions), 0);
  EXPECT_EQ(Request(server_.server().metrics_port(), "GET", "/Quorax.asp").status, 404);
  EXPECT_EQ(Request(server_.server().metrics_port(), "POST", "/metrics").status, 405);
  EXPECT_EQ(server_.LogLines().size(), 1u);
}

TEST_F(ProbesTest, TrustedProxySetsClientAddressAndScheme) {
  HttpResponse response =
      Request(server_.port(), "GET", "/Quorax.asp?WCI=Echo",
              "X-Forwarded-Proto: https\r\nX-Forwarded-For: 198.51.100.1, 203.0.113.7\r\n");
  EXPECT_NE(response.body.find("|https=on|"), std::string::npos) << response.body;
  EXPECT_NE(response.Header("Set-Cookie").find("; Secure"), std::string::npos);
  ASSERT_EQ(server_.LogLines().size(), 1u);
  EXPECT_EQ(server_.LogLines()[0].rfind("203.0.113.7 GET /Quorax.asp 200 ", 0), 0u);
}

}  // namespace
}  // namespace quorax
