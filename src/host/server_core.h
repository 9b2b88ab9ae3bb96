#ifndef QUORAX_HOST_SERVER_CORE_H_
#define QUORAX_HOST_SERVER_CORE_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "host/connection_limits.h"
#include "host/host_options.h"
#include "host/request_router.h"

namespace quorax {

// What every connection of a listener shares: the options, the request
// handler (the router, or the metrics endpoint), the access log and the count of requests in
// progress (so that a stop can wait for them). Thread-safe.
class ServerCore {
 public:
  // `serves_pages` is false for a listener that serves no application pages
  // (the metrics listener): the page rules of GuardRefusal do not apply there.
  ServerCore(const HostOptions& host_options, RequestHandler& request_handler,
             bool serves_pages = true)
      : options(host_options),
        router(request_handler),
        pages(serves_pages),
        limits(options.max_connections, options.max_connections_per_address,
               options.trusted_proxies) {}

  const HostOptions& options;
  RequestHandler& router;
  const bool pages;
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

  // Writes one access-log line.
  void Log(const std::string& line);

 private:
  std::mutex mutex_;
  std::condition_variable idle_;
  int busy_ = 0;
  std::mutex log_mutex_;
};

}  // namespace quorax

#endif  // QUORAX_HOST_SERVER_CORE_H_
