#include <gtest/gtest.h>

#include <string>

#include "testing/closed_port.h"
#include "testing/live_server.h"
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
    testkit::LiveServer server(app);
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
