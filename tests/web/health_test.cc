#include <gtest/gtest.h>

#include <string>

#include "host/http_server.h"
#include "web/main.h"
#include "web/settings_file.h"
#include "web/web_browser.h"

namespace quorax {
namespace {

// Without a reachable database the plain probe still passes (the server can
// serve pages), and the database probe fails with a one-line reason.
TEST(HealthCheckTest, DatabaseProbeFailsWhenNoDatabaseAnswers) {
  for (const char* dsn : {"DSN=host=127.0.0.1 port=1 dbname=quorax connect_timeout=2", "DSN="}) {
    SettingsFile settings({"BaseDir=/", dsn});
    quorax::main app(settings.path());
    HostOptions options;
    options.listen = "127.0.0.1:0";
    options.templates_dir = std::string(QUORAX_SOURCE_DIR) + "/templates";
    options.access_log = [](const std::string&) {};
    HttpServer server(app, options);
    server.Start();
    WebBrowser probe(server.port());
    EXPECT_EQ(probe.Get("/healthz").status, 200) << dsn;
    const WebResponse down = probe.Get("/healthz?db=1");
    EXPECT_EQ(down.status, 503) << dsn;
    EXPECT_FALSE(down.body.empty());
    EXPECT_EQ(down.body.find('\n'), std::string::npos) << down.body;
    EXPECT_EQ(down.body.find("port=1"), std::string::npos) << "the DSN must not leak";
  }
}

}  // namespace
}  // namespace quorax
