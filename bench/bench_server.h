#ifndef QUORAX_BENCH_BENCH_SERVER_H_
#define QUORAX_BENCH_BENCH_SERVER_H_

#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/host_options.h"
#include "host/http_server.h"
#include "testing/settings_file.h"
#include "web/main.h"

namespace quorax::bench {

// $`name`, or "" when it is not set.
inline std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "" : value;
}

// The real server and application, running in this process on a free
// loopback port against the test-case database that QUORAX_TEST_DSN reaches,
// without an access log. Stops when destroyed.
class BenchServer {
 public:
  BenchServer()
      : settings_({"Debug=Y", "BaseDir=/", "DSN=" + Env("QUORAX_TEST_DSN")}),
        app_(settings_.path()),
        server_(app_, Options()) {
    server_.Start();
  }

  uint16_t port() const { return server_.port(); }

 private:
  static HostOptions Options() {
    HostOptions options;
    options.debug_mode = true;  // the settings say Debug=Y
    options.listen = "127.0.0.1:0";
    options.templates_dir = std::string(QUORAX_SOURCE_DIR) + "/templates";
    options.access_log = [](const std::string&) {};
    return options;
  }

  SettingsFile settings_;
  main app_;
  HttpServer server_;
};

}  // namespace quorax::bench

#endif  // QUORAX_BENCH_BENCH_SERVER_H_
