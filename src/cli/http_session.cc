#include "cli/http_session.h"

#include <openssl/ssl.h>

#include <algorithm>
#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <cctype>
#include <chrono>
#include <future>
#include <regex>
#include <thread>

#include "cli/exit_status.h"

namespace quorax::cli {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
namespace ssl = net::ssl;
using tcp = net::ip::tcp;
using Request = http::request<http::string_body>;

using Clock = std::chrono::steady_clock;

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// One request's exchange on its own I/O context: every step runs as an
// asynchronous operation that the deadline cuts short, so no step can wait
// past it, whatever the server does.
class BoundedExchange {
 public:
  BoundedExchange(const Address& server, std::chrono::seconds timeout)
      : server_(server), timeout_(timeout), deadline_(Clock::now() + timeout) {}

  net::io_context& io() { return io_; }
  Clock::time_point deadline() const { return deadline_; }

  // Looks the server's name up. The system's lookup cannot be cancelled: past
  // the deadline it is left to finish on a thread of its own, unwaited.
  tcp::resolver::results_type Resolve() const {
    std::packaged_task<tcp::resolver::results_type()> lookup(
        [host = server_.host, port = server_.port] {
          net::io_context io;
          return tcp::resolver(io).resolve(host, port);
        });
    std::future<tcp::resolver::results_type> found = lookup.get_future();
    std::thread(std::move(lookup)).detach();
    if (found.wait_until(deadline_) == std::future_status::timeout) Stalled("the name lookup");
    return found.get();
  }

  // Runs the asynchronous operation that `start` begins with the completion
  // handler it is given, until it ends; the stream's expiry, set to the
  // deadline, ends it then at the latest. Raises CliFailure naming `step`
  // when the deadline passed, the operation's system_error when it failed.
  template <class Start>
  void Step(const char* step, Start&& start) {
    beast::error_code result;
    start([&result](beast::error_code error, auto&&...) { result = error; });
    io_.restart();
    io_.run();
    if (result == beast::error::timeout || (result && Clock::now() >= deadline_)) Stalled(step);
    if (result) throw boost::system::system_error(result);
  }

 private:
  [[noreturn]] void Stalled(const char* step) const {
    throw CliFailure(kServiceFailed, "the server " + server_.host + ":" + server_.port +
                                         " stalled: " + step + " did not finish within the " +
                                         std::to_string(timeout_.count()) +
                                         " s timeout (--timeout)");
  }

  const Address& server_;
  const std::chrono::seconds timeout_;
  const Clock::time_point deadline_;
  net::io_context io_;
};

template <class Stream>
HttpReply RoundTrip(BoundedExchange& exchange, Stream& stream, Request& request,
                    uint64_t body_limit) {
  exchange.Step("sending the request",
                [&](auto done) { http::async_write(stream, request, std::move(done)); });
  beast::flat_buffer buffer;
  http::response_parser<http::string_body> parser;
  parser.body_limit(body_limit);
  // The header on its own first: Boost 1.74 drops a Content-Length over the
  // limit unnoticed when body bytes come in the same read.
  exchange.Step("reading the answer's header", [&](auto done) {
    http::async_read_header(stream, buffer, parser, std::move(done));
  });
  exchange.Step("reading the answer's body",
                [&](auto done) { http::async_read(stream, buffer, parser, std::move(done)); });
  HttpReply reply;
  reply.status = static_cast<int>(parser.get().result_int());
  for (const auto& field : parser.get()) {
    reply.headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
  }
  reply.body = std::move(parser.get().body());
  return reply;
}

}  // namespace

std::string HttpReply::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (SameName(key, name)) return value;
  }
  return "";
}

Address ParseAddress(const std::string& url) {
  static const std::regex pattern(R"(^(https?)://(\[[^\]]+\]|[^/:?#]+)(?::(\d+))?([/?][^#]*)?$)",
                                  std::regex::icase);
  std::smatch match;
  if (!std::regex_match(url, match, pattern)) {
    throw CliFailure(kBadUsage, "the address \"" + url + "\" is not an http:// or https:// URL");
  }
  Address address;
  address.https = SameName(match[1].str(), "https");
  address.host = match[2].str();
  if (address.host.front() == '[') address.host = address.host.substr(1, address.host.size() - 2);
  address.port = match[3].matched ? match[3].str() : (address.https ? "443" : "80");
  address.target = match[4].matched ? match[4].str() : "/";
  if (address.target.front() == '?') address.target.insert(0, "/");
  return address;
}

class HttpSession::Tls {
 public:
  ssl::context context{ssl::context::tls_client};
};

HttpSession::HttpSession(const Address& server, const std::string& ca_file,
                         std::chrono::seconds timeout)
    : server_(server), timeout_(timeout) {
  if (!server_.https) return;
  tls_ = std::make_unique<Tls>();
  try {
    tls_->context.set_default_verify_paths();
    if (!ca_file.empty()) tls_->context.load_verify_file(ca_file);
  } catch (const boost::system::system_error& e) {
    throw CliFailure(kBadUsage, "the certificate file \"" + ca_file +
                                    "\" cannot be used: " + e.code().message());
  }
  tls_->context.set_verify_mode(ssl::verify_peer);
}

HttpSession::~HttpSession() = default;

HttpReply HttpSession::Get(const std::string& target, uint64_t body_limit) {
  return Exchange("GET", target, "", "", body_limit);
}

HttpReply HttpSession::Post(const std::string& target, const std::string& content_type,
                            const std::string& body, uint64_t body_limit) {
  return Exchange("POST", target, content_type, body, body_limit);
}

HttpReply HttpSession::Exchange(const std::string& method, const std::string& target,
                                const std::string& content_type, const std::string& body,
                                uint64_t body_limit) {
  Request request(method == "GET" ? http::verb::get : http::verb::post, target, 11);
  request.set(http::field::host, server_.host + ":" + server_.port);
  request.set(http::field::user_agent, "quorax-cli");
  request.set(http::field::connection, "close");
  std::string cookies;
  for (const auto& [name, value] : cookies_) {
    cookies += (cookies.empty() ? "" : "; ") + name + "=" + value;
  }
  if (!cookies.empty()) request.set(http::field::cookie, cookies);
  if (!content_type.empty()) request.set(http::field::content_type, content_type);
  if (method != "GET") request.body() = body;
  request.prepare_payload();
  HttpReply reply;
  try {
    BoundedExchange exchange(server_, timeout_);
    const auto endpoints = exchange.Resolve();
    if (tls_ == nullptr) {
      beast::tcp_stream stream(exchange.io());
      stream.expires_at(exchange.deadline());
      exchange.Step("connecting",
                    [&](auto done) { stream.async_connect(endpoints, std::move(done)); });
      reply = RoundTrip(exchange, stream, request, body_limit);
    } else {
      beast::ssl_stream<beast::tcp_stream> stream(exchange.io(), tls_->context);
      SSL_set_tlsext_host_name(stream.native_handle(), server_.host.c_str());
      stream.set_verify_callback(ssl::host_name_verification(server_.host));
      beast::tcp_stream& tcp = beast::get_lowest_layer(stream);
      tcp.expires_at(exchange.deadline());
      exchange.Step("connecting",
                    [&](auto done) { tcp.async_connect(endpoints, std::move(done)); });
      exchange.Step("the TLS handshake", [&](auto done) {
        stream.async_handshake(ssl::stream_base::client, std::move(done));
      });
      reply = RoundTrip(exchange, stream, request, body_limit);
    }
  } catch (const boost::system::system_error& e) {
    if (e.code() == http::error::body_limit) {
      throw CliFailure(kServiceFailed, "the server's answer to " + method + " " + target +
                                           " is over " + std::to_string(body_limit) +
                                           " bytes, more than it can hold for what was sent");
    }
    throw CliFailure(kServiceFailed,
                     "the server " + server_.host + ":" + server_.port +
                         " could not be reached or broke off: " + e.code().message());
  }
  KeepCookies(reply);
  return reply;
}

void HttpSession::KeepCookies(const HttpReply& reply) {
  for (const auto& [name, value] : reply.headers) {
    if (!SameName(name, "Set-Cookie")) continue;
    const std::string pair = value.substr(0, value.find(';'));
    const size_t equals = pair.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = pair.substr(0, equals);
    if (value.find("Max-Age=0") != std::string::npos) {
      cookies_.erase(key);
    } else {
      cookies_[key] = pair.substr(equals + 1);
    }
  }
}

}  // namespace quorax::cli
