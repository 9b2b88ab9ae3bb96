#ifndef QUORAX_HOST_CONNECTION_H_
#define QUORAX_HOST_CONNECTION_H_

// Boost 1.74's Asio needs <utility> first under C++20.
#include <utility>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "host/access_log.h"
#include "host/server_core.h"

namespace quorax {

namespace beast = boost::beast;
namespace http = boost::beast::http;
namespace net = boost::asio;

using PlainStream = beast::tcp_stream;
using TlsStream = beast::ssl_stream<beast::tcp_stream>;

// Returns the server variable LOCAL_ADDR for a connection received at
// `local`: the address ("[...]" for IPv6), with ":port" unless the port is
// the scheme's default.
std::string LocalAddress(const net::ip::tcp::endpoint& local, bool tls);

// The error category of HTTP parse errors.
bool IsHttpParseError(const beast::error_code& error);

// One client connection: reads requests with timeouts and limits, hands
// each to the router and writes its reply. Every step runs on the
// connection's strand; nothing here blocks.
template <class Stream>
class Connection : public std::enable_shared_from_this<Connection<Stream>> {
  static constexpr bool kTls = std::is_same_v<Stream, TlsStream>;
  using Clock = std::chrono::steady_clock;

 public:
  template <class... Args>
  explicit Connection(ServerCore& core, Args&&... args)
      : stream_(std::forward<Args>(args)...), core_(core) {}

  ~Connection() {
    if (counted_) core_.EndRequest();
  }

  void Run() {
    beast::error_code error;
    auto local = Tcp().socket().local_endpoint(error);
    local_addr_ = core_.options.public_address.empty() ? LocalAddress(local, kTls)
                                                       : core_.options.public_address;
    if constexpr (kTls) {
      Tcp().expires_after(core_.options.read_timeout);
      stream_.async_handshake(net::ssl::stream_base::server,
                              beast::bind_front_handler(&Connection::OnHandshake, Self()));
    } else {
      WaitForRequest(core_.options.read_timeout);
    }
  }

 private:
  static constexpr size_t kReadChunk = 4096;

  std::shared_ptr<Connection> Self() { return this->shared_from_this(); }
  beast::tcp_stream& Tcp() { return beast::get_lowest_layer(stream_); }

  void OnHandshake(beast::error_code error) {
    if (error) return Drop();
    WaitForRequest(core_.options.read_timeout);
  }

  // Waits up to `wait` for the first byte of the next request.
  void WaitForRequest(std::chrono::milliseconds wait) {
    if (buffer_.size() > 0) return ReadHeader();
    if (core_.stopping) return Close();
    Tcp().expires_after(wait);
    stream_.async_read_some(buffer_.prepare(kReadChunk),
                            beast::bind_front_handler(&Connection::OnFirstBytes, Self()));
  }

  void OnFirstBytes(beast::error_code error, size_t bytes) {
    if (error) return Drop();
    buffer_.commit(bytes);
    ReadHeader();
  }

  // The whole request, header and body, must arrive within the read timeout.
  void ReadHeader() {
    started_ = Clock::now();
    parser_.emplace();
    parser_->header_limit(static_cast<uint32_t>(core_.options.header_limit));
    parser_->body_limit(static_cast<uint64_t>(core_.options.max_body));
    Tcp().expires_at(started_ + core_.options.read_timeout);
    http::async_read_header(stream_, buffer_, *parser_,
                            beast::bind_front_handler(&Connection::OnHeader, Self()));
  }

  void OnHeader(beast::error_code error, size_t) {
    if (error) return OnReadError(error);
    auto& request = parser_->get();
    method_ = std::string(request.method_string());
    target_ = std::string(request.target());
    bool has_body = parser_->chunked() || parser_->content_length().value_or(0) > 0;
    auto encoding = request.find(http::field::content_encoding);
    if (has_body && encoding != request.end() && !beast::iequals(encoding->value(), "identity")) {
      return Refuse(415, "Unsupported request encoding",
                    "This server does not accept compressed request bodies.");
    }
    if (parser_->is_done()) return Dispatch();
    if (beast::iequals(request[http::field::expect], "100-continue")) return SendContinue();
    ReadBody();
  }

  void SendContinue() {
    auto interim = std::make_shared<http::response<http::empty_body>>(http::status::continue_,
                                                                      parser_->get().version());
    http::async_write(stream_, *interim, [self = Self(), interim](beast::error_code error, size_t) {
      if (error) return self->Drop();
      self->ReadBody();
    });
  }

  void ReadBody() {
    Tcp().expires_at(started_ + core_.options.read_timeout);
    http::async_read(stream_, buffer_, *parser_,
                     beast::bind_front_handler(&Connection::OnBody, Self()));
  }

  void OnBody(beast::error_code error, size_t) {
    if (error) return OnReadError(error);
    Dispatch();
  }

  void OnReadError(const beast::error_code& error) {
    if (parser_ && parser_->got_some()) {
      method_ = std::string(parser_->get().method_string());
      target_ = std::string(parser_->get().target());
    }
    if (error == http::error::body_limit) {
      return Refuse(413, "Request too large", "The request body is larger than this server takes.");
    }
    if (error == http::error::header_limit) {
      return Refuse(431, "Request header too large",
                    "The request header is larger than this server takes.");
    }
    if (IsHttpParseError(error) && error != http::error::end_of_stream &&
        error != http::error::partial_message) {
      return Refuse(400, "Bad request", "The server could not read the request.");
    }
    Drop();
  }

  void Dispatch() {
    auto& request = parser_->get();
    IncomingRequest incoming;
    incoming.method = method_;
    incoming.target = target_;
    incoming.content_type = std::string(request[http::field::content_type]);
    for (const auto& field : request) {
      if (field.name() != http::field::cookie) continue;
      if (!incoming.cookie.empty()) incoming.cookie += "; ";
      incoming.cookie += std::string(field.value());
    }
    incoming.body = std::move(request.body());
    incoming.https = kTls;
    incoming.local_addr = local_addr_;
    version_ = request.version();
    keep_alive_ = request.keep_alive();
    parser_.reset();
    core_.BeginRequest();
    counted_ = true;
    core_.router.Handle(std::move(incoming), [self = Self()](Reply reply) {
      net::post(self->stream_.get_executor(), [self, reply = std::move(reply)]() mutable {
        self->Send(std::move(reply), self->keep_alive_);
      });
    });
  }

  // Answers a request that cannot be served and closes the connection.
  void Refuse(unsigned status, const std::string& heading, const std::string& text) {
    parser_.reset();
    Send(HostPage(status, heading, text, "/Quorax.asp"), false);
  }

  void Send(Reply reply, bool keep_alive) {
    auto response = std::make_shared<http::response<http::string_body>>();
    response->version(version_);
    response->result(reply.status);
    for (const auto& [name, value] : reply.headers)
      response->insert(name, WithoutLineBreaks(value));
    for (const auto& [name, value] : StandardHeaders()) response->set(name, value);
    response->body() = std::move(reply.body);
    response->keep_alive(keep_alive && !core_.stopping);
    response->prepare_payload();
    Tcp().expires_after(core_.options.write_timeout);
    http::async_write(stream_, *response,
                      [self = Self(), response](beast::error_code error, size_t) {
                        self->OnWritten(error, *response);
                      });
  }

  void OnWritten(beast::error_code error, const http::response<http::string_body>& response) {
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_);
    core_.Log(AccessLogLine(method_, target_, response.result_int(), response.body().size(),
                            elapsed.count()));
    if (counted_) {
      counted_ = false;
      core_.EndRequest();
    }
    if (error) return Drop();
    if (!response.keep_alive()) return Close();
    method_.clear();
    target_.clear();
    WaitForRequest(core_.options.idle_timeout);
  }

  // Ends the connection politely: a TLS close_notify, or for plain TCP a
  // half-close followed by reading what the client still sends, so that the
  // client reads the last reply before the connection goes.
  void Close() {
    Tcp().expires_after(std::chrono::seconds(2));
    if constexpr (kTls) {
      stream_.async_shutdown([self = Self()](beast::error_code) { self->Drop(); });
    } else {
      beast::error_code error;
      Tcp().socket().shutdown(net::ip::tcp::socket::shutdown_send, error);
      Drain();
    }
  }

  void Drain() {
    stream_.async_read_some(net::buffer(drain_), [self = Self()](beast::error_code error, size_t) {
      if (error) return self->Drop();
      self->Drain();
    });
  }

  void Drop() {
    beast::error_code error;
    Tcp().socket().close(error);
  }

  Stream stream_;
  ServerCore& core_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  std::string local_addr_;
  std::string method_;
  std::string target_;
  Clock::time_point started_ = Clock::now();
  unsigned version_ = 11;
  bool keep_alive_ = false;
  bool counted_ = false;
  char drain_[4096];
};

}  // namespace quorax

#endif  // QUORAX_HOST_CONNECTION_H_
