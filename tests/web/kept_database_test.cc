#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "testing/admin_connection.h"
#include "web/import_fixture.h"
#include "web/run_work.h"
#include "web/web_app_fixture.h"

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
class KeptDatabaseTest : public WebAppFixture {
 protected:
  KeptDatabaseTest()
      : WebAppFixture(
            {"BaseDir=/", "DSN=" + Env("QUORAX_TEST_DSN") + " application_name=" + Name()},
            kLocalAddress) {}

  static std::string Name() { return "quorax-kept-test-" + std::to_string(getpid()); }

  void SetUp() override {
    if (Env("QUORAX_TEST_DSN").empty() || Env("QUORAX_TEST_ADMIN_DSN").empty()) {
      GTEST_SKIP() << "QUORAX_TEST_DSN and QUORAX_TEST_ADMIN_DSN are needed";
    }
    ASSERT_TRUE(admin_.ok());
    for (FakeHost* host : {&a_, &b_}) {
      SignIn(app_, *host, "demo", "demo");
      ASSERT_EQ(host->SessionText("Last"), "SubmitCSV_Respond");
    }
  }

  void TearDown() override {
    for (const std::string& role : roles_) DropRole(role);
  }

  static constexpr char kLocalAddress[] = "10.0.0.5";

  // Posts a sign-in as `user` into the session of `host`.
  static void SignIn(quorax::main& app, FakeHost& host, const std::string& user,
                     const std::string& password) {
    host.NewRequest();
    ServeOverHttps(host, kLocalAddress);
    host.Form("uid", user);
    host.Form("pwd", password);
    Dispatch(app, host, "SubmitCSV");
  }

  // Verifies kFile in the session of `host`, which signed in; true when its
  // row passed.
  static bool Verify(quorax::main& app, FakeHost& host) {
    host.NewRequest();
    host.session().SetText("Last", "SubmitCSV_Respond");
    host.Body(MultipartBody(kFile));
    Dispatch(app, host, "ImportCSV");
    return host.session().GetBool("NoErrors") && host.RedirectedTo().empty();
  }
  bool Verify(FakeHost& host) { return Verify(app_, host); }

  // A tester login of this process, password "secret", with `attributes`;
  // dropped after the test.
  std::string TestRole(const std::string& suffix, const std::string& attributes = "") {
    const std::string role = "quorax_kept_" + suffix + "_" + std::to_string(getpid());
    DropRole(role);
    admin_.Query("CREATE ROLE " + role + " LOGIN PASSWORD 'secret' IN ROLE quorax_testers " +
                 attributes);
    roles_.push_back(role);
    return role;
  }
  void DropRole(const std::string& role) {
    admin_.Query(
        "SELECT count(pg_terminate_backend(pid, 5000)) FROM pg_stat_activity "
        "WHERE usename = '" +
        role + "'");
    admin_.Query("DROP ROLE IF EXISTS " + role);
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

  testkit::AdminConnection admin_{Env("QUORAX_TEST_ADMIN_DSN")};
  // The two testers' sessions; the first is the fixture's host.
  FakeHost& a_ = host_;
  FakeHost b_;
  std::vector<std::string> roles_;
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

// A kept connection serves for the max age after the sign-in's check, then
// the credentials are checked again: a password changed or a login withdrawn
// meanwhile signs the tester out with the sign-in refusal.
TEST_F(KeptDatabaseTest, RevokedCredentialsEndAccessOnceTheMaxAgeHasPassed) {
  quorax::main app(settings_.path(), SignInThrottle::SteadyClock(), kDefaultKeptConnections,
                   std::chrono::seconds(2));
  const std::string changes[] = {"PASSWORD 'changed'", "NOLOGIN"};
  FakeHost hosts[2];
  for (int i = 0; i < 2; ++i) {
    const std::string role = TestRole("revoked" + std::to_string(i));
    SignIn(app, hosts[i], role, "secret");
    ASSERT_TRUE(Verify(app, hosts[i])) << role;
    admin_.Query("ALTER ROLE " + role + " " + changes[i]);
    EXPECT_TRUE(Verify(app, hosts[i])) << changes[i] << ": within the max age";
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(Verify(app, hosts[i])) << changes[i];
    EXPECT_TRUE(hosts[i].RedirectedTo().ends_with("?s=1")) << hosts[i].RedirectedTo();
    EXPECT_TRUE(hosts[i].Abandoned()) << changes[i];
  }
}

// A run's own connection obeys the max age as a page's does: a password
// changed while the run sends stops it within the max age, its rows so far
// kept, and the session's next run page signs the tester out.
TEST_F(KeptDatabaseTest, RevokedCredentialsStopARunWithinTheMaxAge) {
  quorax::main app(settings_.path(), SignInThrottle::SteadyClock(), kDefaultKeptConnections,
                   std::chrono::seconds(1));
  const std::string role = TestRole("run");
  FakeHost host;
  SignIn(app, host, role, "secret");
  std::string file = "TCID,Date,Version,Platform,Browser,Result,Tester,PR,Notes\r\n";
  for (int row = 0; row < 40'000; ++row) file += "3,1989-06-15,2.0,Windows 11,Chrome,P,alice,,\r\n";
  host.NewRequest();
  host.SpooledBody(MultipartBody(file));
  Dispatch(app, host, "StartRun");
  const auto held = host.session().GetObject<HeldRun>("FileRun");
  ASSERT_NE(held, nullptr) << host.Output();
  const auto waited = [&](auto done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done() && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::chrono::steady_clock::now();
  };
  waited([&] { return held->run->Snapshot().done > 0; });
  admin_.Query("ALTER ROLE " + role + " PASSWORD 'changed'");
  const auto changed = std::chrono::steady_clock::now();
  EXPECT_LT(waited([&] { return held->run->Finished(); }) - changed, std::chrono::seconds(3));
  const FileRun::Progress progress = held->run->Snapshot();
  EXPECT_EQ(progress.stage, FileRun::Stage::kFailed);
  EXPECT_EQ(progress.message, kAccessEndedMessage);
  EXPECT_GT(progress.done, 0);
  EXPECT_LT(progress.done, progress.total);
  host.NewRequest();
  Dispatch(app, host, "RunResults");
  EXPECT_TRUE(host.Abandoned());
  EXPECT_TRUE(host.RedirectedTo().ends_with("?s=1")) << host.RedirectedTo();
}

// A sign-in that meets its login's connection limit waits for a connection
// of that login to close and goes in; when none closes in time it answers
// status 2 with the database's words, as a busy database.
TEST_F(KeptDatabaseTest, SignInAtTheLoginsLimitWaitsThenAnswersWithTheDatabasesWords) {
  const std::string role = TestRole("busy", "CONNECTION LIMIT 1");
  const std::string role_dsn = Env("QUORAX_TEST_DSN") + " user=" + role + " password=secret";
  auto holder = std::make_unique<testkit::AdminConnection>(role_dsn);
  ASSERT_TRUE(holder->ok());
  FakeHost host;
  SignIn(app_, host, role, "secret");
  EXPECT_TRUE(host.RedirectedTo().ends_with("?s=2")) << host.RedirectedTo();
  const std::string message = *quorax::main::StartMessage(2, host);
  EXPECT_TRUE(message.starts_with("The database has no connection to spare.")) << message;
  EXPECT_NE(message.find("too many connections for role"), std::string::npos) << message;

  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    holder.reset();
  });
  SignIn(app_, host, role, "secret");
  release.join();
  EXPECT_EQ(host.RedirectedTo(), "");
  EXPECT_EQ(host.SessionText("Last"), "SubmitCSV_Respond");
}

}  // namespace
}  // namespace quorax
