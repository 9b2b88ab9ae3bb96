#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "host/web_application.h"
#include "testing/admin_connection.h"
#include "testing/fake_host.h"
#include "testing/settings_file.h"
#include "web/import_fixture.h"
#include "web/main.h"

namespace quorax {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "" : value;
}

// A date before any that the import tests record, so the row verifies.
constexpr char kFile[] =
    "TCID,Date,Version,Platform,Browser,Result,Tester,PR,Notes\r\n"
    "3,1989-06-15,2.0,Windows 11,Chrome,P,alice,,kept\r\n";

// Two testers, each in a session of its own, against the real database; the
// administrator watches the connections of this process by their
// application name.
class KeptDatabaseTest : public ::testing::Test {
 protected:
  KeptDatabaseTest()
      : settings_({"BaseDir=/", "DSN=" + Env("QUORAX_TEST_DSN") + " application_name=" + Name()}),
        app_(settings_.path()) {}

  static std::string Name() { return "quorax-kept-test-" + std::to_string(getpid()); }

  void SetUp() override {
    if (Env("QUORAX_TEST_DSN").empty() || Env("QUORAX_TEST_ADMIN_DSN").empty()) {
      GTEST_SKIP() << "QUORAX_TEST_DSN and QUORAX_TEST_ADMIN_DSN are needed";
    }
    ASSERT_TRUE(admin_.ok());
    for (FakeHost* host : {&a_, &b_}) {
      host->Variable("LOCAL_ADDR", "10.0.0.5");
      host->Variable("REMOTE_ADDR", "10.0.0.9");
      host->Variable("HTTPS", "on");
      host->Form("uid", "demo");
      host->Form("pwd", "demo");
      ASSERT_TRUE(Dispatch(app_, *host, "SubmitCSV"));
      ASSERT_EQ(host->SessionText("Last"), "SubmitCSV_Respond");
    }
  }

  // Verifies kFile in the session of `host`; true when its row passed.
  bool Verify(FakeHost& host) {
    host.NewRequest();
    host.Variable("LOCAL_ADDR", "10.0.0.5");
    host.Variable("HTTPS", "on");
    host.session().SetText("Last", "SubmitCSV_Respond");
    host.Body(MultipartBody(kFile));
    Dispatch(app_, host, "ImportCSV");
    return host.session().GetBool("NoErrors") && host.RedirectedTo().empty();
  }

  // The backends of this process's connections, in the order they started,
  // once their number is `count` (connections closed end a moment later).
  std::string Backends(int count) {
    const std::string query =
        "SELECT count(*) || ':' || coalesce(string_agg(pid::text, ',' ORDER BY backend_start), "
        "'') FROM pg_stat_activity WHERE application_name = '" +
        Name() + "'";
    std::string backends;
    for (int attempt = 0; attempt < 100; ++attempt) {
      backends = admin_.Query(query);
      if (backends.starts_with(std::to_string(count) + ":")) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return backends;
  }

  SettingsFile settings_;
  quorax::main app_;
  testkit::AdminConnection admin_{Env("QUORAX_TEST_ADMIN_DSN")};
  FakeHost a_;
  FakeHost b_;
};

// Each session's sign-in connection serves its uploads; one that the database
// ended while idle is replaced before the next upload's first row, the other
// session's connection untouched; a session's end closes its connection.
TEST_F(KeptDatabaseTest, EachSessionKeepsItsOwnConnectionAndABrokenOneIsReplaced) {
  const std::string both = Backends(2);
  ASSERT_TRUE(both.starts_with("2:")) << both;
  const std::string a_pid = both.substr(2, both.find(',') - 2);
  const std::string b_pid = both.substr(both.find(',') + 1);

  EXPECT_TRUE(Verify(a_));
  EXPECT_TRUE(Verify(b_));
  EXPECT_TRUE(Verify(a_));
  EXPECT_EQ(Backends(2), both);

  EXPECT_EQ(admin_.Query("SELECT pg_terminate_backend(" + a_pid + ", 5000)"), "t");
  EXPECT_EQ(Backends(1), "1:" + b_pid);
  EXPECT_TRUE(Verify(a_));
  const std::string replaced = Backends(2);
  EXPECT_TRUE(replaced.starts_with("2:" + b_pid + ",")) << replaced;
  EXPECT_TRUE(Verify(b_));
  EXPECT_EQ(Backends(2), replaced);

  a_.AbandonSession();
  EXPECT_EQ(Backends(1), "1:" + b_pid);
}

}  // namespace
}  // namespace quorax
