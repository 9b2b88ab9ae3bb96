#include "host/http_connection.h"

#include <array>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <type_traits>

#include "host/access_log.h"
#include "host/forwarded.h"
#include "host/http_framing.h"
#include "host/request_guard.h"
#include "metrics/metrics.h"

namespace quorax {

namespace {

template <class Stream>
constexpr bool kTls = std::is_same_v<Stream, TlsStream>;

constexpr size_t kReadChunk = 4096;

}  // namespace

template <class Stream>
HttpConnection<Stream>::~HttpConnection() {
  if (counted_) core_.EndRequest();
}

template <class Stream>
void HttpConnection<Stream>::Run() {
  // From the first step on, on the strand, where a shed connection's drop runs too.
  net::dispatch(stream_.get_executor(), beast::bind_front_handler(&HttpConnection::Serve, Self()));
}

template <class Stream>
void HttpConnection<Stream>::Serve() {
  beast::error_code error;
  auto local = Tcp().socket().local_endpoint(error);
  const std::string& public_address = core_.options.public_address;
  local_addr_ = public_address.empty() ? LocalAddress(local, kTls<Stream>) : public_address;
  // Without a TLS listener here, HTTPS is expected on its standard port.
  const uint16_t tls_port = core_.tls_port != 0 ? core_.tls_port : 443;
  secure_addr_ = public_address.empty()
                     ? LocalAddress(net::ip::tcp::endpoint(local.address(), tls_port), true)
                     : public_address;
  auto remote = Tcp().socket().remote_endpoint(error);
  peer_addr_ = error ? std::string() : CanonicalAddress(remote.address().to_string());
  client_addr_ = peer_addr_;
  AllowShedding();
  if constexpr (kTls<Stream>) {
    Tcp().expires_after(core_.options.read_timeout);
    stream_.async_handshake(net::ssl::stream_base::server,
                            beast::bind_front_handler(&HttpConnection::OnHandshake, Self()));
  } else {
    WaitForRequest(core_.options.read_timeout);
  }
}

template <class Stream>
void HttpConnection<Stream>::AllowShedding() {
  slot_.OnShed([weak = this->weak_from_this(), executor = stream_.get_executor()] {
    net::post(executor, [weak] {
      if (auto self = weak.lock()) self->Drop();
    });
  });
  slot_.Idle();
}

template <class Stream>
void HttpConnection<Stream>::OnHandshake(beast::error_code error) {
  if (error) return Drop();
  WaitForRequest(core_.options.read_timeout);
}

template <class Stream>
void HttpConnection<Stream>::WaitForRequest(std::chrono::milliseconds wait) {
  if (buffer_.size() > 0) return ReadHeader();
  if (core_.stopping) return Close();
  Tcp().expires_after(wait);
  slot_.Idle();
  stream_.async_read_some(buffer_.prepare(kReadChunk),
                          beast::bind_front_handler(&HttpConnection::OnFirstBytes, Self()));
}

template <class Stream>
void HttpConnection<Stream>::OnFirstBytes(beast::error_code error, size_t bytes) {
  if (!slot_.Busy() || error) return Drop();
  buffer_.commit(bytes);
  ReadHeader();
}

template <class Stream>
void HttpConnection<Stream>::ReadHeader() {
  started_ = Clock::now();
  Tcp().expires_at(started_ + core_.options.read_timeout);
  AwaitHeaderEnd();
}

template <class Stream>
void HttpConnection<Stream>::AwaitHeaderEnd() {
  std::string_view bytes(static_cast<const char*>(buffer_.data().data()), buffer_.size());
  size_t end = HeaderEnd(bytes);
  if (end == std::string_view::npos && bytes.size() <= core_.options.header_limit) {
    return stream_.async_read_some(
        buffer_.prepare(kReadChunk),
        beast::bind_front_handler(&HttpConnection::OnHeaderBytes, Self()));
  }
  if (end != std::string_view::npos && HasFoldedLine(bytes.substr(0, end))) {
    return Refuse(AmbiguousRequest());
  }
  ParseHeader();
}

template <class Stream>
void HttpConnection<Stream>::OnHeaderBytes(beast::error_code error, size_t bytes) {
  if (error) return Drop();
  buffer_.commit(bytes);
  AwaitHeaderEnd();
}

// The header is in the buffer (or over the limit), so parsing reads nothing
// more from the stream unless it is over the limit.
template <class Stream>
void HttpConnection<Stream>::ParseHeader() {
  parser_.emplace();
  parser_->header_limit(static_cast<uint32_t>(core_.options.header_limit));
  parser_->body_limit(static_cast<uint64_t>(core_.options.max_body));
  http::async_read_header(stream_, buffer_, *parser_,
                          beast::bind_front_handler(&HttpConnection::OnHeader, Self()));
}

template <class Stream>
void HttpConnection<Stream>::OnHeader(beast::error_code error, size_t) {
  if (error) return OnReadError(error);
  auto& request = parser_->get();
  method_ = std::string(request.method_string());
  target_ = std::string(request.target());
  if (std::optional<Reply> refusal = FramingRefusal(request)) return Refuse(std::move(*refusal));
  if (std::optional<Reply> refusal = EncodingRefusal(*parser_)) return Refuse(std::move(*refusal));
  if (parser_->is_done()) return Dispatch();
  if (beast::iequals(request[http::field::expect], "100-continue")) return SendContinue();
  ReadBody();
}

template <class Stream>
void HttpConnection<Stream>::SendContinue() {
  auto interim = std::make_shared<http::response<http::empty_body>>(http::status::continue_,
                                                                    parser_->get().version());
  http::async_write(stream_, *interim, [self = Self(), interim](beast::error_code error, size_t) {
    if (error) return self->Drop();
    self->ReadBody();
  });
}

template <class Stream>
void HttpConnection<Stream>::ReadBody() {
  Tcp().expires_at(started_ + core_.options.read_timeout);
  http::async_read(stream_, buffer_, *parser_,
                   beast::bind_front_handler(&HttpConnection::OnBody, Self()));
}

template <class Stream>
void HttpConnection<Stream>::OnBody(beast::error_code error, size_t) {
  if (error) return OnReadError(error);
  Dispatch();
}

template <class Stream>
void HttpConnection<Stream>::OnReadError(const beast::error_code& error) {
  if (parser_ && parser_->got_some()) {
    method_ = std::string(parser_->get().method_string());
    target_ = std::string(parser_->get().target());
  }
  if (std::optional<Reply> refusal = ReadRefusal(error)) return Refuse(std::move(*refusal));
  Drop();
}

template <class Stream>
void HttpConnection<Stream>::Dispatch() {
  auto& request = parser_->get();
  IncomingRequest incoming = ToIncoming(request, kTls<Stream>, local_addr_, peer_addr_);
  ApplyOrigin(request, peer_addr_, core_.options.trusted_proxies, incoming);
  client_addr_ = incoming.remote_addr;
  incoming.secure_addr = secure_addr_;
  version_ = request.version();
  keep_alive_ = request.keep_alive();
  parser_.reset();
  secure_ = RequestIsSecure(incoming);
  if (core_.pages) {
    if (std::optional<Reply> refusal = GuardRefusal(incoming, core_.options.debug_mode)) {
      return Send(std::move(*refusal), keep_alive_);
    }
  }
  core_.BeginRequest();
  counted_ = true;
  // A reply given at once, on this strand, is sent at once; one from a
  // worker thread comes back to the strand.
  core_.router.Handle(std::move(incoming), [self = Self()](Reply reply) {
    net::dispatch(self->stream_.get_executor(), [self, reply = std::move(reply)]() mutable {
      self->Send(std::move(reply), self->keep_alive_);
    });
  });
}

template <class Stream>
void HttpConnection<Stream>::Refuse(Reply reply) {
  parser_.reset();
  Send(std::move(reply), false);
}

template <class Stream>
void HttpConnection<Stream>::Send(Reply reply, bool keep_alive) {
  probe_ = reply.probe;
  if (secure_) reply.headers.emplace_back("Strict-Transport-Security", kStrictTransportSecurity);
  auto response = std::make_shared<HttpResponse>(
      Frame(std::move(reply), version_, keep_alive && !core_.stopping));
  auto header = std::make_shared<const std::string>(SerializedHeader(*response));
  Tcp().expires_after(core_.options.write_timeout);
  std::array<net::const_buffer, 2> bytes{net::buffer(*header), net::buffer(response->body())};
  net::async_write(stream_, bytes,
                   [self = Self(), response, header](beast::error_code error, size_t) {
                     self->OnWritten(error, *response);
                   });
}

template <class Stream>
void HttpConnection<Stream>::OnWritten(beast::error_code error, const HttpResponse& response) {
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_);
  if (!probe_) {
    core_.Log(AccessLogLine(client_addr_, method_, target_, response.result_int(),
                            response.body().size(), elapsed.count()));
    metrics::Response(response.result_int());
  }
  if (counted_) {
    counted_ = false;
    core_.EndRequest();
  }
  if (error) return Drop();
  if (!response.keep_alive()) return Close();
  method_.clear();
  target_.clear();
  client_addr_ = peer_addr_;
  WaitForRequest(core_.options.idle_timeout);
}

template <class Stream>
void HttpConnection<Stream>::Close() {
  Tcp().expires_after(std::chrono::seconds(2));
  if constexpr (kTls<Stream>) {
    stream_.async_shutdown([self = Self()](beast::error_code) { self->Drop(); });
  } else {
    beast::error_code error;
    Tcp().socket().shutdown(net::ip::tcp::socket::shutdown_send, error);
    Drain();
  }
}

template <class Stream>
void HttpConnection<Stream>::Drain() {
  stream_.async_read_some(net::buffer(drain_), [self = Self()](beast::error_code error, size_t) {
    if (error) return self->Drop();
    self->Drain();
  });
}

template <class Stream>
void HttpConnection<Stream>::Drop() {
  beast::error_code error;
  Tcp().socket().close(error);
}

template class HttpConnection<PlainStream>;
template class HttpConnection<TlsStream>;

}  // namespace quorax
