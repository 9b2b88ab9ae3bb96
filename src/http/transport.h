#ifndef QUORAX_HTTP_TRANSPORT_H_
#define QUORAX_HTTP_TRANSPORT_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "http/server_core.h"

namespace quorax {

// Where a listener listens: "HOST:PORT" as configured, and its two parts.
struct ListenAddress {
  std::string text;
  std::string host;
  uint16_t port = 0;
};

// The network side of a server: its listeners, the threads running their
// I/O with timeouts, and a worker pool on which handlers run their jobs.
class HttpTransport {
 public:
  // `main` is the core of the page listeners: a stop waits for its requests,
  // and refused connections are reported in its access log. It must outlive
  // the transport, as must every core given to Listen.
  HttpTransport(ServerCore& main, int io_threads, int workers);
  // Stops the transport if it runs.
  ~HttpTransport();
  HttpTransport(const HttpTransport&) = delete;
  HttpTransport& operator=(const HttpTransport&) = delete;

  // Runs `job` on the worker pool.
  void Post(std::function<void()> job);

  // Opens a listener on `address` (port 0 takes a free one) for `core`,
  // over TLS with the PEM files `tls_cert` and `tls_key` unless both are
  // empty; returns the bound port. Raises PlatformFailure when the listener
  // cannot be opened or the TLS files cannot be used. REQUIRES: before Start.
  uint16_t Listen(const ListenAddress& address, ServerCore& core, const std::string& tls_cert = "",
                  const std::string& tls_key = "");

  // Starts accepting and the I/O threads, then returns.
  void Start();

  // Stops accepting, lets requests in progress finish (for a few seconds at
  // most), then stops every thread. Does nothing when not running.
  // REQUIRES: not called from a handler.
  void Stop();

  // Blocks until Stop is called or SIGINT or SIGTERM arrives, and returns
  // once the transport has stopped.
  void Wait();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quorax

#endif  // QUORAX_HTTP_TRANSPORT_H_
