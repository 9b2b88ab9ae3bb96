// Sends arbitrary bytes as one client connection to the server's request
// path (reader, framing checks, guard, router, writer) over loopback TCP and
// reads every byte it answers. Nothing may escape or crash; the answer must be
// exactly the responses the access log names, in order: each complete, with
// the logged status and body size, and no body for HEAD (100 responses aside).

// Boost 1.74's Asio needs <utility> first under C++20.
#include <utility>

#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "host/request_guard.h"
#include "host/request_router.h"
#include "host/template_store.h"
#include "host/web_application.h"
#include "http/http_connection.h"
#include "sessions/session_store.h"

namespace quorax {
namespace {

class FuzzApp : public WebApplication {
 public:
  Routes SiteRoutes() const override { return PageRoutes("Quorax.asp", "ImportCSV"); }
  void WebClass_Start(WebHost& host) override { host.Write("start"); }
  bool Respond(const std::string& item, WebHost& host) override {
    if (item != "Echo") return false;
    host.Write(host.QueryValue("q") + host.FormValue("f") + host.BinaryRead(16));
    return true;
  }
  bool NeverBlocks(const std::string&) const override { return true; }
};

// Answers like the router, but every reply is logged: probes too.
class LoggedRouter : public RequestHandler {
 public:
  explicit LoggedRouter(RequestHandler& router) : router_(router) {}
  void Handle(Request request, const Done& done) override {
    router_.Handle(std::move(request), [done](Reply reply) {
      reply.probe = false;
      done(std::move(reply));
    });
  }

 private:
  RequestHandler& router_;
};

std::vector<std::string> Fields(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> fields;
  for (std::string field; in >> field;) fields.push_back(field);
  return fields;
}

void CheckResponses(std::string_view wire, const std::vector<std::string>& log) {
  size_t next = 0;
  while (!wire.empty()) {
    const bool head = next < log.size() && Fields(log[next]).at(1) == "HEAD";
    http::response_parser<http::string_body> parser;
    parser.body_limit(boost::none);
    parser.header_limit(UINT32_MAX);
    parser.eager(true);
    parser.skip(head);
    beast::error_code error;
    const size_t used = parser.put(net::buffer(wire.data(), wire.size()), error);
    if (error || !parser.is_done()) std::abort();
    wire.remove_prefix(used);
    const auto& response = parser.get();
    if (response.result_int() == 100) continue;
    if (next == log.size()) std::abort();
    const std::vector<std::string> fields = Fields(log[next++]);
    if (fields.at(3) != std::to_string(response.result_int())) std::abort();
    if (fields.at(4) != std::to_string(response.body().size())) std::abort();
  }
  if (next != log.size()) std::abort();
}

}  // namespace
}  // namespace quorax

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorax;
  using Tcp = net::ip::tcp;
  static net::io_context io;
  static Tcp::acceptor acceptor(io, Tcp::endpoint(net::ip::make_address("127.0.0.1"), 0));

  std::vector<std::string> log;
  TransportOptions options;
  options.start_link = "/Quorax.asp";
  options.header_limit = 2048;
  options.max_body = 16 * 1024;
  options.read_timeout = std::chrono::seconds(5);
  options.trusted_proxies = {"127.0.0.1"};
  options.access_log = [&log](const std::string& line) { log.push_back(line); };
  auto inline_executor = [](SerialQueue::Job job) { job(); };
  FuzzApp app;
  SessionStore sessions(std::chrono::minutes(1), 16, inline_executor);
  TemplateStore templates;
  RequestRouter router(app, sessions, templates, inline_executor, [](std::string_view) {});
  LoggedRouter logged(router);
  const Routes routes = app.SiteRoutes();
  ServerCore core(options, logged, [&routes](const Request& request) {
    return GuardRefusal(request, true, routes);
  });

  // Asynchronous, so that a signal of the fuzzer cannot interrupt a call.
  acceptor.async_accept(io.get_executor(),
                        [&core](beast::error_code error, ConnectionSocket server_side) {
                          if (error) std::abort();
                          std::make_shared<HttpConnection<PlainStream>>(
                              core, core.limits.Admit("127.0.0.1"), std::move(server_side))
                              ->Run();
                        });
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::string wire;
  beast::error_code read_error;
  Tcp::socket client(io);
  client.async_connect(acceptor.local_endpoint(), [&](beast::error_code error) {
    if (error) std::abort();
    net::async_write(client, net::buffer(input), [&client](beast::error_code, size_t) {
      beast::error_code ignored;
      client.shutdown(Tcp::socket::shutdown_send, ignored);
    });
    net::async_read(client, net::dynamic_buffer(wire),
                    [&read_error](beast::error_code result, size_t) { read_error = result; });
  });
  io.run();
  io.restart();
  // A reset (the server dropping unread bytes) may cut the last response.
  if (read_error == net::error::eof) CheckResponses(wire, log);
  return 0;
}
