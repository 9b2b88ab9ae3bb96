#include "http/http_connection.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <type_traits>

#include "http/access_log.h"
#include "http/forwarded.h"
#include "http/pages.h"
#include "metrics/metrics.h"

namespace quorax {

namespace {

template <class Stream>
constexpr bool kTls = std::is_same_v<Stream, TlsStream>;

constexpr size_t kReadChunk = 4096;
// Reads of a request after its first bytes: a body comes in few reads, and
// what the reader leaves unparsed stays bounded whatever a read brings.
constexpr size_t kRequestReadChunk = 64 * 1024;

}  // namespace

template <class Stream>
template <class Step>
void HttpConnection<Stream>::Guarded(Step&& step) {
  try {
    step();
  } catch (...) {
    core_.Log(ErrorLogLine("a connection's request", std::current_exception()));
    if (writing_ || failed_) return Drop();
    failed_ = true;
    Refuse(RefusalPage(500, "The request could not be completed",
                       "The server met an internal error.", core_.options.start_link));
  }
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
  slot_.OnShed([weak = this->weak_from_this(), executor = stream_.get_executor()] {
    net::post(executor, [weak] {
      if (auto self = weak.lock()) self->Drop();
    });
  });
  slot_.Idle();
  if constexpr (kTls<Stream>) {
    Tcp().expires_after(core_.options.read_timeout);
    stream_.async_handshake(net::ssl::stream_base::server,
                            beast::bind_front_handler(&HttpConnection::OnHandshake, Self()));
  } else {
    WaitForRequest(core_.options.read_timeout);
  }
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
  reader_.Begin();
  ReadRequest();
}

template <class Stream>
void HttpConnection<Stream>::ReadRequest() {
  Guarded([this] { Advance(reader_.Read(buffer_)); });
}

template <class Stream>
void HttpConnection<Stream>::Advance(RequestReader::Progress progress) {
  if (progress == RequestReader::Progress::kNeedMore) {
    return stream_.async_read_some(
        buffer_.prepare(kRequestReadChunk),
        beast::bind_front_handler(&HttpConnection::OnRequestBytes, Self()));
  }
  method_ = std::string(reader_.method());
  target_ = std::string(reader_.target());
  switch (progress) {
    case RequestReader::Progress::kHeaderDone:
      // An HTTP/1.0 client knows no interim responses: it sends its body
      // unasked and reads the first answer as the final one.
      if (reader_.request().version() >= 11 &&
          beast::iequals(reader_.request()[http::field::expect], "100-continue")) {
        return SendContinue();
      }
      return ReadRequest();
    case RequestReader::Progress::kSpoolAsked: {
      // Decided on the header alone, so that a body nobody will take is
      // never read, let alone written to disk.
      Request request = CurrentRequest();
      const auto& takes_body = core_.options.spooling.takes_body;
      if (takes_body && !takes_body(request)) return Dispatch(std::move(request), false);
      return Advance(reader_.StartSpool());
    }
    case RequestReader::Progress::kComplete:
      return Dispatch(CurrentRequest(), true);
    default:
      return Refuse(reader_.TakeRefusal());
  }
}

template <class Stream>
void HttpConnection<Stream>::OnRequestBytes(beast::error_code error, size_t bytes) {
  if (error) return Drop();
  buffer_.commit(bytes);
  ReadRequest();
}

template <class Stream>
void HttpConnection<Stream>::SendContinue() {
  auto interim = std::make_shared<http::response<http::empty_body>>(http::status::continue_,
                                                                    reader_.request().version());
  http::async_write(stream_, *interim, [self = Self(), interim](beast::error_code error, size_t) {
    if (error) return self->Drop();
    self->ReadRequest();
  });
}

template <class Stream>
Request HttpConnection<Stream>::CurrentRequest() {
  auto& wire = reader_.request();
  Request request = ToRequest(wire, kTls<Stream>, local_addr_, peer_addr_);
  ApplyOrigin(wire, peer_addr_, core_.options.trusted_proxies, request);
  request.secure_addr = secure_addr_;
  return request;
}

template <class Stream>
void HttpConnection<Stream>::Dispatch(Request request, bool body_read) {
  request.body_file = reader_.TakeBodyFile();
  client_addr_ = request.remote_addr;
  version_ = reader_.request().version();
  keep_alive_ = body_read && reader_.request().keep_alive();
  // The client may still be sending the body that was not read.
  refused_ = refused_ || !body_read;
  reader_.Begin();
  secure_ = request.https;
  std::optional<Reply> refusal;
  if (core_.guard) refusal = core_.guard(request);
  if (refusal) return Send(std::move(*refusal), keep_alive_);
  core_.BeginRequest();
  counted_ = true;
  // A reply given at once, on this strand, is sent at once; one from a
  // worker thread comes back to the strand.
  core_.router.Handle(std::move(request), [self = Self()](Reply reply) {
    net::dispatch(self->stream_.get_executor(), [self, reply = std::move(reply)]() mutable {
      self->Send(std::move(reply), self->keep_alive_);
    });
  });
}

template <class Stream>
void HttpConnection<Stream>::Refuse(Reply reply) {
  refused_ = true;
  Send(std::move(reply), false);
}

template <class Stream>
void HttpConnection<Stream>::Send(Reply reply, bool keep_alive) {
  Guarded([&] {
    probe_ = reply.probe;
    if (secure_) reply.headers.emplace_back("Strict-Transport-Security", kStrictTransportSecurity);
    FrameResponse(reply, version_, keep_alive && !core_.stopping, method_ == "HEAD", out_);
    writing_ = true;
    Tcp().expires_after(core_.options.write_timeout);
    WriteResponse(stream_, out_, [self = Self()](beast::error_code error, size_t body_sent) {
      self->Guarded([&] { self->OnWritten(error, body_sent); });
    });
  });
}

template <class Stream>
void HttpConnection<Stream>::OnWritten(beast::error_code error, size_t body_sent) {
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_);
  if (!probe_) {
    FormatAccessLogLine(log_line_, client_addr_, method_, target_, out_.status, body_sent,
                        elapsed.count());
    core_.Log(log_line_);
    metrics::Response(out_.status);
  }
  if (counted_) {
    counted_ = false;
    core_.EndRequest();
  }
  writing_ = false;
  out_.body = std::string();  // a large body is not held while the connection idles
  out_.body_file.reset();
  if (error) return Drop();
  if (!out_.keep_alive) return Close();
  method_.clear();
  target_.clear();
  client_addr_ = peer_addr_;
  WaitForRequest(core_.options.idle_timeout);
}

template <class Stream>
void HttpConnection<Stream>::Close() {
  Tcp().expires_after(std::chrono::seconds(2));
  if constexpr (kTls<Stream>) {
    if (refused_) return Drain();
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
