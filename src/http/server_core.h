#ifndef QUORAX_HTTP_SERVER_CORE_H_
#define QUORAX_HTTP_SERVER_CORE_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "http/connection_limits.h"
#include "http/exchange.h"
#include "http/transport_options.h"

namespace quorax {

// What every connection of a listener shares: the options, the guard, the
// request handler, the access log and the count of requests in progress (so
// that a stop can wait for them). Thread-safe.
class ServerCore {
 public:
  // `request_guard` (may be empty) answers the requests that must not reach
  // `request_handler`.
  ServerCore(TransportOptions transport_options, RequestHandler& request_handler,
             RequestGuard request_guard = {})
      : options(std::move(transport_options)),
        router(request_handler),
        guard(std::move(request_guard)),
        limits(options.max_connections, options.max_connections_per_address,
               options.trusted_proxies) {}

  const TransportOptions options;
  RequestHandler& router;
  const RequestGuard guard;
  ConnectionLimits limits;
  // The bound port of the TLS listener (0 when there is none); set before
  // the first connection is accepted, read-only afterwards.
  uint16_t tls_port = 0;
  // Set once the server stops: connections close after their current reply.
  std::atomic<bool> stopping{false};

  // A request has been read (Begin) or its reply sent or abandoned (End).
  void BeginRequest();
  void EndRequest();
  // Blocks until no request is in progress or `limit` has passed; returns
  // true when none is.
  bool WaitIdle(std::chrono::milliseconds limit);

  // Writes one access-log line: to the options' access_log at once, else
  // to standard error within a few milliseconds, in batches.
  void Log(std::string_view line);

 private:
  // Counted without the lock, which only a request's end that leaves none
  // in progress takes, to wake WaitIdle.
  std::atomic<int> busy_{0};
  std::mutex mutex_;
  std::condition_variable idle_;
  std::mutex log_mutex_;
};

}  // namespace quorax

#endif  // QUORAX_HTTP_SERVER_CORE_H_
