#include <gtest/gtest.h>

#include <string>

#include "host/http_server.h"
#include "testing/closed_port.h"
#include "testing/settings_file.h"
#include "testing/web_browser.h"
#include "web/main.h"

namespace quorax {
namespace {

using testkit::HttpResponse;
using testkit::WebBrowser;

// Without a reachable database the plain probe still passes (the server can
// serve pages), and the database probe fails with a one-line reason.
TEST(HealthCheckTest, DatabaseProbeFailsWhenNoDatabaseAnswers) {
  for (const std::string& dsn :
       {std::string("DSN=") + testkit::kClosedPortDsn, std::string("DSN=")}) {
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
    const HttpResponse down = probe.Get("/healthz?db=1");
    EXPECT_EQ(down.status, 503) << dsn;
    EXPECT_FALSE(down.body.empty());
    EXPECT_EQ(down.body.find('\n'), std::string::npos) << down.body;
    EXPECT_EQ(down.body.find("port=1"), std::string::npos) << "the DSN must not leak";
  }
}

}  // namespace
}  // namespace quorax
