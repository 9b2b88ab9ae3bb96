#include "host/host_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/errors.h"

namespace quorax {
namespace {

HostOptions Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "quorax-server");
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  return ParseHostOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(ParseHostOptionsTest, DefaultsWithoutArguments) {
  HostOptions options = Parse({});
  EXPECT_EQ(options.listen, "127.0.0.1:8080");
  EXPECT_TRUE(options.tls_listen.empty());
  EXPECT_EQ(options.session_timeout, std::chrono::minutes(20));
  EXPECT_EQ(options.transport.max_body, 65536u);
  EXPECT_EQ(options.transport.max_connections, 1000u);
  EXPECT_EQ(options.transport.max_connections_per_address, 600u);
}

TEST(ParseHostOptionsTest, ReadsEveryOptionInBothForms) {
  HostOptions options = Parse({"--listen",
                               "0.0.0.0:80",
                               "--tls-listen=[::1]:8443",
                               "--tls-cert",
                               "c.pem",
                               "--tls-key=k.pem",
                               "--templates",
                               "/t",
                               "--public-address",
                               "example.org:8443",
                               "--threads=8",
                               "--session-timeout",
                               "60",
                               "--max-body",
                               "2048",
                               "--metrics-listen",
                               "127.0.0.1:9100",
                               "--trusted-proxy",
                               "10.0.0.1,::ffff:10.0.0.2",
                               "--trusted-proxy=0:0::1",
                               "--max-connections=20",
                               "--max-connections-per-address",
                               "2",
                               "--max-sessions-per-user",
                               "3",
                               "--max-guests-per-address=7",
                               "--db-idle-connections=0"});
  EXPECT_EQ(options.listen, "0.0.0.0:80");
  EXPECT_EQ(options.tls_listen, "[::1]:8443");
  EXPECT_EQ(options.tls_cert, "c.pem");
  EXPECT_EQ(options.tls_key, "k.pem");
  EXPECT_EQ(options.templates_dir, "/t");
  EXPECT_EQ(options.transport.public_address, "example.org:8443");
  EXPECT_EQ(options.threads, 8);
  EXPECT_EQ(options.session_timeout, std::chrono::seconds(60));
  EXPECT_EQ(options.transport.max_body, 2048u);
  EXPECT_EQ(options.metrics_listen, "127.0.0.1:9100");
  EXPECT_EQ(options.transport.trusted_proxies,
            (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "::1"}));
  EXPECT_EQ(options.transport.max_connections, 20u);
  EXPECT_EQ(options.transport.max_connections_per_address, 2u);
  EXPECT_EQ(options.max_sessions_per_user, 3u);
  EXPECT_EQ(options.max_guests_per_address, 7u);
  EXPECT_EQ(options.db_idle_connections, 0u);
}

TEST(ParseHostOptionsTest, RefusesBadOptionsWithUsage) {
  const std::vector<std::vector<std::string>> bad = {{"--unknown", "1"},
                                                     {"--listen"},
                                                     {"--listen", "8080"},
                                                     {"--listen", "h:65536"},
                                                     {"--listen", ":80"},
                                                     {"--threads", "0"},
                                                     {"--threads", "x"},
                                                     {"--max-body", "-1"},
                                                     {"--max-body", "2147483648"},
                                                     {"--max-connections", "0"},
                                                     {"--max-connections-per-address", "x"},
                                                     {"--tls-listen", "h:443"},
                                                     {"stray"},
                                                     {"--public-address", "a/b"},
                                                     {"--metrics-listen", "9100"},
                                                     {"--trusted-proxy", "10.0.0.1,"},
                                                     {"--trusted-proxy", "proxy.local"}};
  for (const auto& args : bad) {
    try {
      Parse(args);
      ADD_FAILURE() << "accepted " << args[0];
    } catch (const InvalidArgument& error) {
      EXPECT_NE(std::string(error.what()).find("usage:"), std::string::npos);
      EXPECT_NE(std::string(error.what()).find("SECONDS=1200"), std::string::npos);
    }
  }
}

TEST(ParseHostOptionsTest, MaxBodyBoundaries) {
  EXPECT_EQ(Parse({"--max-body", "0"}).transport.max_body, 0u);
  EXPECT_EQ(Parse({"--max-body", "2147483647"}).transport.max_body, 2147483647u);
}

TEST(ParseHostOptionsTest, HelpVersionAndRepeatedOrZeroPaddedValues) {
  std::vector<std::string> args = {"quorax-server", "--threads", "8", "--help"};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  std::string reply;
  EXPECT_EQ(ParseHostOptions(4, argv.data(), &reply).threads, 4);
  EXPECT_NE(reply.find("--max-guests-per-address N=100"), std::string::npos) << reply;
  args[3] = "--version";
  argv[3] = args[3].data();
  ParseHostOptions(4, argv.data(), &reply);
  EXPECT_EQ(reply.rfind("quorax-server ", 0), 0u) << reply;
  EXPECT_EQ(Parse({"--listen=h:1", "--listen", "h:2"}).listen, "h:2");
  EXPECT_EQ(Parse({"--threads", "010"}).threads, 10);
}

TEST(SplitHostPortTest, SplitsNamesAndBracketedIpv6) {
  std::string host;
  uint16_t port = 1;
  SplitHostPort("localhost:0", host, port);
  EXPECT_EQ(host, "localhost");
  EXPECT_EQ(port, 0);
  SplitHostPort("[::1]:65535", host, port);
  EXPECT_EQ(host, "::1");
  EXPECT_EQ(port, 65535);
  EXPECT_THROW(SplitHostPort("::1:80", host, port), InvalidArgument);
}

}  // namespace
}  // namespace quorax
