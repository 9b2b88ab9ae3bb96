#ifndef QUORAX_HOST_HTTP_SERVER_H_
#define QUORAX_HOST_HTTP_SERVER_H_

#include <cstdint>

#include "host/host_options.h"
#include "host/metrics_endpoint.h"
#include "host/request_router.h"
#include "host/template_store.h"
#include "host/web_application.h"
#include "http/server_core.h"
#include "http/transport.h"
#include "sessions/session_store.h"

namespace quorax {

// The HTTP host: serves `app` on a plain listener, a TLS listener, or both,
// and the process's metrics on a listener of their own when asked to.
// Network I/O runs on a few threads with timeouts; page handlers run on a
// worker pool, one request of a session at a time.
class HttpServer {
 public:
  // `app` must outlive the server.
  HttpServer(WebApplication& app, HostOptions options);
  // Stops the server if it runs.
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Reads the templates, opens the listeners and starts the threads, then
  // returns. A listener port of 0 takes a free port. Prepares the spool
  // folder and budget of the process (ConfigureSpool). Raises PlatformFailure
  // when the spool folder, a listener or the TLS files cannot be used.
  // REQUIRES: not started before.
  void Start();

  // The bound port of the plain listener (0 when there is none).
  uint16_t port() const { return plain_port_; }
  // The bound port of the TLS listener (0 when there is none).
  uint16_t tls_port() const { return secure_port_; }
  // The bound port of the metrics listener (0 when there is none).
  uint16_t metrics_port() const { return metrics_port_; }

  // Stops accepting, lets requests in progress finish (for a few seconds at
  // most), then stops every thread. Does nothing when not running.
  // REQUIRES: not called from a handler.
  void Stop() { transport_.Stop(); }

  // Blocks until Stop is called or SIGINT or SIGTERM arrives, and returns
  // once the server has stopped.
  void Wait() { transport_.Wait(); }

 private:
  // Declared in the order of construction: the transport's worker pool runs
  // the sessions' jobs; the destructor stops the transport before anything
  // it serves goes.
  const HostOptions options_;
  const Routes routes_;
  ServerCore core_;
  ServerCore metrics_core_;  // of the metrics listener
  HttpTransport transport_;
  SessionStore sessions_;
  TemplateStore templates_;
  RequestRouter router_;
  MetricsEndpoint metrics_endpoint_;
  uint16_t plain_port_ = 0;
  uint16_t secure_port_ = 0;
  uint16_t metrics_port_ = 0;
};

}  // namespace quorax

#endif  // QUORAX_HOST_HTTP_SERVER_H_
