#ifndef QUORAX_HTTP_HTTP_CONNECTION_H_
#define QUORAX_HTTP_HTTP_CONNECTION_H_

// Boost 1.74's Asio needs <utility> first under C++20.
#include <utility>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "http/http_messages.h"
#include "http/request_reader.h"
#include "http/response_writer.h"
#include "http/server_core.h"

namespace quorax {

// A connection's operations run on the one thread of its I/O context. The
// stream names the context's executor type rather than a type-erased one,
// which would allocate anew for each asynchronous operation.
using ConnectionExecutor = net::io_context::executor_type;
using ConnectionSocket = net::ip::tcp::socket::rebind_executor<ConnectionExecutor>::other;
using PlainStream = beast::basic_stream<net::ip::tcp, ConnectionExecutor>;
using TlsStream = beast::ssl_stream<PlainStream>;

// One client connection over `Stream` (PlainStream or TlsStream, the only
// two instantiated): reads requests with the options' timeouts and limits,
// hands each to the router and writes its reply. Every step runs on the one
// thread of the connection's I/O context, its strand; nothing here blocks.
// Owned by the handlers of its pending operations, so it lives while one is
// pending.
template <class Stream>
class HttpConnection : public std::enable_shared_from_this<HttpConnection<Stream>> {
 public:
  // `args` construct the stream: a connected socket, and for TLS the context.
  // The connection holds `slot` while it lives.
  template <class... Args>
  HttpConnection(ServerCore& core, ConnectionLimits::Slot slot, Args&&... args)
      : stream_(std::forward<Args>(args)...), core_(core), slot_(std::move(slot)) {}

  // Ends the request in progress, if any, in the core's count.
  ~HttpConnection() {
    if (counted_) core_.EndRequest();
  }

  // Starts serving: the TLS handshake, then requests until the client, a
  // timeout, a refused request or a server stop ends the connection.
  void Run();

 private:
  using Clock = std::chrono::steady_clock;

  std::shared_ptr<HttpConnection> Self() { return this->shared_from_this(); }
  PlainStream& Tcp() { return beast::get_lowest_layer(stream_); }

  // Run's work, on the strand. The connection counts as idle from here until
  // its first request's first byte (for TLS, the handshake too): a newcomer
  // at a connection limit may shed it while idle, which drops it.
  void Serve();
  void OnHandshake(beast::error_code error);
  // Waits up to `wait` for the first byte of the next request, idle in the
  // connection limits until it comes.
  void WaitForRequest(std::chrono::milliseconds wait);
  void OnFirstBytes(beast::error_code error, size_t bytes);
  // The whole request, header and body, must arrive within the read timeout.
  void ReadHeader();
  // Parses what has arrived of the request and reads more until it is whole.
  void ReadRequest();
  // Goes on from what the reader last returned.
  void Advance(RequestReader::Progress progress);
  void OnRequestBytes(beast::error_code error, size_t bytes);
  void SendContinue();
  // What the guard and the handler read of the request the reader holds.
  Request CurrentRequest();
  // Hands `request`, the one the reader holds, to the guard and the router.
  // Without `body_read` it goes without its body, left unread, and the
  // connection closes after the answer.
  void Dispatch(Request request, bool body_read);
  // Sends `reply` and closes the connection; the client may still be
  // sending the refused request.
  void Refuse(Reply reply);
  void Send(Reply reply, bool keep_alive);
  void OnWritten(beast::error_code error, size_t body_sent);
  // Runs `step`; an exception leaving it is logged and ends the connection,
  // with a 500 page while no reply is being written, at once otherwise.
  template <class Step>
  void Guarded(Step&& step);
  // Ends the connection politely, so that the client reads the last reply
  // before the connection goes: for plain TCP a half-close followed by
  // reading what the client still sends; over TLS a close_notify, or after a
  // refusal reading what the client still sends until it closes (a close
  // with unread bytes would reset the connection and lose the reply).
  void Close();
  void Drain();
  void Drop();

  Stream stream_;
  ServerCore& core_;
  ConnectionLimits::Slot slot_;  // idle while waiting for a request's first byte
  beast::flat_buffer buffer_;
  OutgoingResponse out_;  // the reply being written; its buffer serves every reply
  RequestReader reader_{core_.options.header_limit, core_.options.max_body,
                        core_.options.start_link, core_.options.upload_form_link,
                        core_.options.spooling};
  std::string local_addr_;
  std::string secure_addr_;                          // LOCAL_ADDR of this server's HTTPS listener
  bool secure_ = std::is_same_v<Stream, TlsStream>;  // the last request came over HTTPS
  std::string peer_addr_;                            // the connection's remote address
  std::string client_addr_;  // of the request being served, for the access log
  std::string method_;       // of the request being served, for the access log
  std::string target_;
  std::string log_line_;  // the access-log line of the last reply; its buffer is reused
  Clock::time_point started_ = Clock::now();  // when the request's first byte came
  unsigned version_ = 11;                     // HTTP version of the reply
  bool keep_alive_ = false;
  bool probe_ = false;    // the reply being sent is a probe's (Reply::probe)
  bool counted_ = false;  // a request is in progress in the core's count
  bool writing_ = false;  // a reply is being written
  bool failed_ = false;   // an exception ended the connection's work
  bool refused_ = false;  // a reply answered a request that may not be read whole
  char drain_[4096];
};

extern template class HttpConnection<PlainStream>;
extern template class HttpConnection<TlsStream>;

}  // namespace quorax

#endif  // QUORAX_HTTP_HTTP_CONNECTION_H_
