#include <chrono>
#include <exception>
#include <iostream>
#include <string>

#include "common/errors.h"
#include "host/http_server.h"
#include "web/host_page.h"
#include "web/main.h"

#ifndef QUORAX_TEMPLATES_DIR
#error "QUORAX_TEMPLATES_DIR must name the installed templates folder"
#endif

namespace {

// The address of `path` (by default the start page) on a listener given as
// `listen`, bound to `port`.
std::string Address(const std::string& scheme, const std::string& listen, uint16_t port,
                    const std::string& path = quorax::kHostPageName) {
  std::string host;
  uint16_t ignored = 0;
  quorax::SplitHostPort(listen, host, ignored);
  if (host.find(':') != std::string::npos) host = "[" + host + "]";
  return scheme + "://" + host + ":" + std::to_string(port) + "/" + path;
}

}  // namespace

int main(int argc, char** argv) {
  quorax::HostOptions options;
  std::string reply;
  try {
    options = quorax::ParseHostOptions(argc, argv, &reply);
  } catch (const quorax::InvalidArgument& error) {
    std::cerr << error.what();
    return 2;
  }
  if (!reply.empty()) {
    std::cout << reply;
    return 0;
  }
  if (options.templates_dir.empty()) options.templates_dir = QUORAX_TEMPLATES_DIR;
  try {
    quorax::main app(
        quorax::main::DefaultSettingsFile(), quorax::SignInThrottle::SteadyClock(),
        options.db_idle_connections, std::chrono::seconds(options.db_connection_max_age),
        quorax::RunLimits{options.max_runs, options.max_runs_per_user,
                          std::chrono::seconds(options.max_run_seconds), options.max_run_bytes});
    quorax::HttpServer server(app, options);
    server.Start();
    if (server.port() != 0) {
      std::cout << "Quorax is listening on " << Address("http", options.listen, server.port())
                << std::endl;
    }
    if (server.tls_port() != 0) {
      std::cout << "Quorax is listening on "
                << Address("https", options.tls_listen, server.tls_port()) << std::endl;
    }
    if (server.metrics_port() != 0) {
      std::cout << "Quorax serves metrics on "
                << Address("http", options.metrics_listen, server.metrics_port(), "metrics")
                << std::endl;
    }
    server.Wait();
  } catch (const std::exception& error) {
    std::cerr << "quorax-server: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
