#include "cli/http_session.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "cli/exit_status.h"

namespace quorax::cli {
namespace {

// A server on a free loopback port that reads one request, sends `reply` (as
// much of it as the client takes) and hangs up.
class OneReplyServer {
 public:
  explicit OneReplyServer(std::string reply) : listener_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    auto* any = reinterpret_cast<sockaddr*>(&address);
    EXPECT_EQ(bind(listener_, any, size), 0);
    EXPECT_EQ(listen(listener_, 1), 0);
    EXPECT_EQ(getsockname(listener_, any, &size), 0);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, reply = std::move(reply)] { Serve(reply); });
  }
  ~OneReplyServer() {
    thread_.join();
    close(listener_);
  }
  OneReplyServer(const OneReplyServer&) = delete;
  OneReplyServer& operator=(const OneReplyServer&) = delete;

  Address address() const { return ParseAddress("http://127.0.0.1:" + std::to_string(port_)); }

 private:
  void Serve(const std::string& reply) const {
    const int client = accept(listener_, nullptr, nullptr);
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const ssize_t got = recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      request.append(buffer, static_cast<size_t>(got));
    }
    for (size_t sent = 0; sent < reply.size();) {
      const ssize_t put = send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
      if (put <= 0) break;
      sent += static_cast<size_t>(put);
    }
    close(client);
  }

  int listener_;
  int port_ = 0;
  std::thread thread_;
};

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
    OneReplyServer server(c.reply);
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
