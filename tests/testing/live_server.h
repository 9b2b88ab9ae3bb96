#ifndef QUORAX_TESTS_TESTING_LIVE_SERVER_H_
#define QUORAX_TESTS_TESTING_LIVE_SERVER_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "host/host_options.h"
#include "host/http_server.h"
#include "host/web_application.h"
#include "testing/temp_dir.h"

namespace quorax::testkit {

// The listeners a live server opens besides the plain one.
struct ExtraListeners {
  bool tls = false;      // with a fresh self-signed certificate (cert_file())
  bool metrics = false;  // GET /metrics
};

// The real HTTP host serving `app` on free loopback ports, started: the
// repository's templates, no access log. `adjust` may change the options last. Stops when
// destroyed.
class LiveServer {
 public:
  LiveServer(WebApplication& app, ExtraListeners extra = {},
             const std::function<void(HostOptions&)>& adjust = {});

  uint16_t port() const { return server_->port(); }
  uint16_t tls_port() const { return server_->tls_port(); }
  uint16_t metrics_port() const { return server_->metrics_port(); }
  // The PEM certificate of the TLS listener, for a client to trust.
  std::string cert_file() const { return dir_.Path("cert.pem"); }
  HttpServer& server() { return *server_; }

 private:
  TempDir dir_;
  std::unique_ptr<HttpServer> server_;
};

}  // namespace quorax::testkit

#endif  // QUORAX_TESTS_TESTING_LIVE_SERVER_H_
