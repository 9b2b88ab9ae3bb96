#include "cli/http_session.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "cli/exit_status.h"
#include "cli/run.h"

namespace quorax::cli {
namespace {

// A server on a free loopback port that answers one connection by `pace`:
// with `reply` sent whole (as much of it as the client takes), one byte a
// second, or never; it hangs up once the client does. With kNeverAccept its
// backlog is kept full instead, so that a connection attempt gets no answer.
class ScriptedServer {
 public:
  enum class Pace { kWhole, kByteASecond, kNever, kNeverAccept };

  explicit ScriptedServer(std::string reply, Pace pace = Pace::kWhole)
      : listener_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    auto* any = reinterpret_cast<sockaddr*>(&address);
    EXPECT_EQ(bind(listener_, any, size), 0);
    EXPECT_EQ(listen(listener_, pace == Pace::kNeverAccept ? 0 : 1), 0);
    EXPECT_EQ(getsockname(listener_, any, &size), 0);
    port_ = ntohs(address.sin_port);
    if (pace == Pace::kNeverAccept) {
      filler_ = socket(AF_INET, SOCK_STREAM, 0);
      EXPECT_EQ(connect(filler_, any, size), 0);
      return;
    }
    thread_ = std::thread([this, reply = std::move(reply), pace] { Serve(reply, pace); });
  }
  ~ScriptedServer() {
    if (thread_.joinable()) thread_.join();
    if (filler_ >= 0) close(filler_);
    close(listener_);
  }
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  std::string url(const std::string& scheme) const {
    return scheme + "://127.0.0.1:" + std::to_string(port_) + "/Quorax.asp";
  }
  Address address() const { return ParseAddress(url("http")); }
  int port() const { return port_; }

 private:
  void Serve(const std::string& reply, Pace pace) const {
    const int client = accept(listener_, nullptr, nullptr);
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const ssize_t got = recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      request.append(buffer, static_cast<size_t>(got));
    }
    const size_t step = pace == Pace::kByteASecond ? 1 : reply.size();
    for (size_t sent = 0; pace != Pace::kNever && sent < reply.size();) {
      const ssize_t put =
          send(client, reply.data() + sent, std::min(step, reply.size() - sent), MSG_NOSIGNAL);
      if (put <= 0 || (pace == Pace::kByteASecond && ClientLeft(client, 1000))) break;
      sent += static_cast<size_t>(put);
    }
    while (pace != Pace::kWhole && !ClientLeft(client, 1000)) {
    }
    close(client);
  }

  // Waits up to `ms` for the client to close its end.
  static bool ClientLeft(int client, int ms) {
    pollfd wait{client, POLLIN, 0};
    char byte;
    return poll(&wait, 1, ms) > 0 && recv(client, &byte, 1, 0) <= 0;
  }

  int listener_;
  int filler_ = -1;  // the connection that fills the backlog of kNeverAccept
  int port_ = 0;
  std::thread thread_;
};

// Whatever step a server stalls in, the command gives up when its timeout
// ends, with exit 4 and one line naming the step. A byte a second keeps every
// single read short, so only a bound on the whole exchange ends the drip.
TEST(HttpSessionTest, AServerThatStallsEndsTheRunWhenTheTimeoutEnds) {
  using Pace = ScriptedServer::Pace;
  const struct {
    Pace pace;
    const char* scheme;
    const char* step;
  } cases[] = {
      {Pace::kNeverAccept, "http", "connecting"},
      {Pace::kNever, "https", "the TLS handshake"},
      {Pace::kNever, "http", "reading the answer's header"},
      {Pace::kByteASecond, "http", "reading the answer's header"},
  };
  setenv("QUORAX_PASSWORD", "secret", 1);
  const std::string file = std::string(QUORAX_SOURCE_DIR) + "/examples/mixed.csv";
  for (const auto& c : cases) {
    ScriptedServer server("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", c.pace);
    std::ostringstream out, err;
    const auto start = std::chrono::steady_clock::now();
    const int status =
        RunCommand({"verify", file, "--url", server.url(c.scheme), "--user", "u", "--timeout", "2"},
                   out, err, false);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4)) << c.step;
    EXPECT_EQ(status, kServiceFailed) << c.step;
    EXPECT_EQ(err.str(), "quorax: the server 127.0.0.1:" + std::to_string(server.port()) +
                             " stalled: " + c.step + " did not finish within the 2 s timeout " +
                             "(--timeout)\n");
  }
}

// A body of exactly the limit is read; one byte more, declared or streamed
// until the server hangs up, ends the exchange before it is held in memory.
TEST(HttpSessionTest, AReplyBodyPastTheLimitIsAServiceFailure) {
  constexpr uint64_t kLimit = 1000;
  const std::string declared = "HTTP/1.1 200 OK\r\nContent-Length: ";
  const struct {
    std::string reply;
    bool read;
  } cases[] = {
      {declared + "1000\r\n\r\n" + std::string(1000, ','), true},
      {declared + "1001\r\n\r\n" + std::string(1001, ','), false},
      {declared + "60000000\r\n\r\n", false},
      {"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + std::string(1 << 20, ','), false},
  };
  for (const auto& c : cases) {
    ScriptedServer server(c.reply);
    HttpSession session(server.address(), "");
    try {
      const HttpReply reply = session.Get("/results.csv", kLimit);
      EXPECT_TRUE(c.read) << c.reply.substr(0, 60);
      EXPECT_EQ(reply.body.size(), kLimit);
    } catch (const CliFailure& e) {
      EXPECT_FALSE(c.read) << e.what();
      EXPECT_EQ(e.status(), kServiceFailed);
      EXPECT_EQ(std::string(e.what()),
                "the server's answer to GET /results.csv is over 1000 bytes, more than it can "
                "hold for what was sent");
    }
  }
}

}  // namespace
}  // namespace quorax::cli
