#include "testing/live_server.h"

#include "testing/self_signed.h"

namespace quorax::testkit {

LiveServer::LiveServer(WebApplication& app, ExtraListeners extra,
                       const std::function<void(HostOptions&)>& adjust) {
  HostOptions options;
  options.listen = "127.0.0.1:0";
  options.templates_dir = std::string(QUORAX_SOURCE_DIR) + "/templates";
  options.transport.access_log = [](const std::string&) {};
  if (extra.tls) {
    MakeSelfSigned(cert_file(), dir_.Path("key.pem"));
    options.tls_listen = "127.0.0.1:0";
    options.tls_cert = cert_file();
    options.tls_key = dir_.Path("key.pem");
  }
  if (extra.metrics) options.metrics_listen = "127.0.0.1:0";
  if (adjust) adjust(options);
  server_ = std::make_unique<HttpServer>(app, std::move(options));
  server_->Start();
}

}  // namespace quorax::testkit
