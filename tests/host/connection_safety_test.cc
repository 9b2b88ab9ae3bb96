#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/test_server.h"
#include "testing/http_client.h"

namespace quorax {
namespace {

using testkit::ParseResponse;
using testkit::RawClient;
using testkit::Request;

using std::chrono::milliseconds;

// Each request's framing could be read two ways by a proxy and this server:
// it is refused with 400 before its body is read, and the connection closes.
TEST(ConnectionSafetyTest, AmbiguousFramingIsRefusedAndClosed) {
  TestServer server;
  const std::string post = "POST /Quorax.asp?WCI=Echo&WCU= HTTP/1.1\r\nHost: a\r\n";
  for (const std::string& bytes :
       {post + "Transfer-Encoding: chunked, identity\r\n\r\n0\r\n\r\n",
        post + "Transfer-Encoding: identity\r\n\r\n",
        post + "Transfer-Encoding: gzip, chunked\r\n\r\n0\r\n\r\n",
        post + "Transfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
        post + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
        post + "Content-Length:\r\n 4\r\n\r\nabcd", post + "Content-Length: 4\r\n\t\r\n\r\nabcd",
        post + "Transfer-Encoding:\r\n chunked\r\n\r\n0\r\n\r\n",
        std::string("POST /Quorax.asp?WCI=Echo&WCU= HTTP/1.0\r\nHost: a\r\n"
                    "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n"),
        std::string("GET /Quorax.asp HTTP/1.1\r\n\r\n"),
        std::string("GET /Quorax.asp HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n")}) {
    int calls = server.app().calls;
    RawClient client(server.port());
    client.Send(bytes);
    std::string received = client.ReadAll();
    EXPECT_EQ(received.substr(0, 13), "HTTP/1.1 400 ") << bytes;
    EXPECT_EQ(ParseResponse(received).Header("Connection"), "close") << bytes;
    EXPECT_EQ(server.app().calls, calls) << bytes;
  }
  EXPECT_EQ(Request(server.port(), "GET", "/Quorax.asp").status, 200);
}

// Each hostile or unusual request gets its status and one access-log line;
// where the connection stays open (`next`) the request pipelined after it is
// answered in turn, a HEAD answer having no body. Empty lines before a
// request line are skipped up to the header limit; an absolute-form target
// naming this server is served like its path; HTTP/1.0 gets no 100 Continue.
TEST(ConnectionSafetyTest, HostileRequestsAreAnsweredAndTheServerKeepsServing) {
  TestServer server([](HostOptions& options) { options.transport.max_body = 8192; });
  const std::string chunked =
      "POST /Quorax.asp?WCI=Echo&WCU= HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n";
  std::string small_chunks;  // 1,500 bytes of data in 13,500 bytes of body
  for (int i = 0; i < 1500; ++i) small_chunks += "1;xx\r\na\r\n";
  const std::string get = " HTTP/1.1\r\nHost: a\r\n\r\n";
  struct Case {
    std::string bytes;
    int status;
    bool next;
  };
  const std::vector<Case> cases = {
      {chunked + "1\r\na\r\n0\r\n" + std::string(65600, 'n') + ": v\r\n\r\n", 431, false},
      {chunked + "0\r\nX-Trailer: " + std::string(65600, 'v') + "\r\n\r\n", 431, false},
      {chunked + "1;" + std::string(4100, 'e') + "\r\na\r\n0\r\n\r\n", 400, false},
      {chunked + small_chunks + "0\r\n\r\n", 413, false},
      {"HEAD /Quorax.asp HTTP/1.1\r\nHost: a\r\n\r\n", 405, true},
      {"HEAD /nothing HTTP/1.1\r\nHost: a\r\n\r\n", 405, true},
      {"HEAD /healthz HTTP/1.1\r\nHost: a\r\n\r\n", 200, true},
      {"\r\n\n\r\nGET /Quorax.asp" + get, 200, true},
      {chunked + "4\r\nabcd\r\n0\r\n\r\n\r\n", 200, true},
      {std::string(1024, '\n') + std::string(1024, '\n') + "GET /Quorax.asp" + get, 200, true},
      {std::string(2049, '\n') + "GET /Quorax.asp" + get, 431, false},
      {"GET http://a/Quorax.asp?s=4" + get, 200, true},
      {"GET HTTPS://A:443/Quorax.asp" + get, 200, true},
      {"GET http://evil.example/Quorax.asp" + get, 400, true},
      {"GET http://a@a/Quorax.asp" + get, 400, true},
      {"POST /Quorax.asp?WCI=Echo&WCU= HTTP/1.0\r\nContent-Length: 4\r\n"
       "Expect: 100-continue\r\n\r\nabcd",
       200, false}};
  for (const Case& c : cases) {
    RawClient client(server.port());
    client.Send(c.bytes + "GET /healthz HTTP/1.1\r\nHost: a\r\n\r\n");
    EXPECT_EQ(client.ReadResponse(c.bytes.starts_with("HEAD")).status, c.status)
        << c.bytes.substr(0, 120);
    if (c.next) {
      EXPECT_EQ(client.ReadResponse().body, "ok") << c.bytes.substr(0, 120);
    }
    EXPECT_EQ(Request(server.port(), "GET", "/healthz").status, 200);
  }
  // Health probes, HEAD ones included, are not logged.
  EXPECT_EQ(server.LogLines().size(), cases.size() - 1);
}

// At either limit a newcomer takes the place of the oldest idle kept-alive
// connection; only when every connection is busy (its request still
// arriving) is the newcomer closed at once.
TEST(ConnectionSafetyTest, NewcomerShedsTheOldestIdleConnectionOrIsRefusedWhenAllAreBusy) {
  struct Case {
    size_t total;
    size_t per_address;
  };
  const std::string get = "GET /Quorax.asp HTTP/1.1\r\nHost: a\r\n\r\n";
  const std::string post =
      "POST /Quorax.asp?WCI=Echo&WCU= HTTP/1.1\r\nHost: a\r\nContent-Length: 4\r\n\r\nab";
  for (const Case& c : {Case{3, 50}, Case{100, 3}}) {
    SCOPED_TRACE(std::to_string(c.total) + "/" + std::to_string(c.per_address));
    TestServer server([&](HostOptions& options) {
      options.transport.max_connections = c.total;
      options.transport.max_connections_per_address = c.per_address;
      options.transport.read_timeout = milliseconds(3000);
      options.transport.idle_timeout = milliseconds(3000);
    });
    std::vector<std::unique_ptr<RawClient>> held;
    for (int i = 0; i < 4; ++i) {
      held.push_back(std::make_unique<RawClient>(server.port()));
      held.back()->Send(get);
      EXPECT_EQ(held.back()->ReadResponse().status, 200) << i;
      // The server counts the connection idle once its reply is written,
      // which may come a moment after the client has read it.
      std::this_thread::sleep_for(milliseconds(100));
    }
    EXPECT_TRUE(held[0]->ClosedWithin(milliseconds(1000)));
    held.erase(held.begin());
    for (auto& client : held) client->Send(post);
    std::this_thread::sleep_for(milliseconds(500));
    for (int i = 0; i < 2; ++i) {
      RawClient over(server.port());
      EXPECT_TRUE(over.ClosedWithin(milliseconds(1000))) << i;
    }
    for (auto& client : held) {
      client->Send("cd");
      EXPECT_EQ(client->ReadResponse().status, 200);
    }
    int reports = 0;
    for (const std::string& line : server.LogLines()) {
      reports += line.find("connection limit reached") != std::string::npos;
    }
    EXPECT_EQ(reports, 1);
  }
}

}  // namespace
}  // namespace quorax
