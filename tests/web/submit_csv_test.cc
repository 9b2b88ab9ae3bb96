#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>

#include "testing/closed_port.h"
#include "web/web_app_fixture.h"

namespace quorax {
namespace {

constexpr char kStart[] = "http://10.0.0.5:8080/Quorax.asp";

class SubmitCSVTest : public WebAppFixture {
 protected:
  explicit SubmitCSVTest(const std::string& dsn = testkit::kClosedPortDsn)
      : WebAppFixture({"BaseDir=/", "DSN=" + dsn, "BuildVer=3.0"}, "10.0.0.5:8080",
                      [this] { return now_; }) {}

  // Shows the sign-in page, then posts the sign-in form.
  void SignIn(const std::string& uid, const std::string& pwd) {
    Request("");
    Post(uid, pwd);
  }

  // Posts the sign-in form without visiting the sign-in page first.
  void Post(const std::string& uid, const std::string& pwd) {
    host_.NewRequest();
    host_.Form("uid", uid);
    host_.Form("pwd", pwd);
    ASSERT_TRUE(Dispatch(app_, host_, "SubmitCSV"));
  }

  bool ShowsUploadForm() const {
    return host_.Output().find("name=\"csvfile\"") != std::string::npos;
  }

  // Where a sign-in as `uid` went: the status of its redirect, "" when accepted.
  std::string SignInStatus(const std::string& uid, const std::string& pwd) {
    SignIn(uid, pwd);
    const std::string& to = host_.RedirectedTo();
    return to.empty() ? "" : to.substr(to.find("?s=") + 3);
  }

  // What the sign-in throttle's clock reads.
  std::chrono::steady_clock::time_point now_{};
};

TEST_F(SubmitCSVTest, UploadFormPostsAMultipartFileToImportCSVWithAChoiceOfMode) {
  host_.session().SetText("Last", "ImportDone_Respond");
  host_.session().SetText("User", "demo");
  host_.session().SetText("Pass", "demo");
  Request("SubmitCSV");
  const std::string& page = host_.Output();
  EXPECT_TRUE(ShowsUploadForm());
  EXPECT_NE(page.find("enctype=\"multipart/form-data\""), std::string::npos);
  EXPECT_NE(page.find("action=\"Quorax.asp?WCI=ImportCSV&amp;WCU=\""), std::string::npos);
  EXPECT_NE(page.find("formaction=\"Quorax.asp?WCI=ImportCSV&amp;WCU=&amp;i=1\">Import<"),
            std::string::npos);
  EXPECT_NE(page.find(">Verify</button>"), std::string::npos);
  EXPECT_NE(page.find("href=\"http://10.0.0.5:8080/Quorax.asp?s=5\""), std::string::npos);
  EXPECT_NE(page.find("v3.0"), std::string::npos);
  EXPECT_EQ(page.find("WC@"), std::string::npos);
}

TEST_F(SubmitCSVTest, EmptyFieldReturnsToTheStartPageWithoutContactingTheDatabase) {
  for (const auto& [uid, pwd] : {std::pair{"", "demo"}, std::pair{"demo", ""}}) {
    SignIn(uid, pwd);
    // A connection attempt on the closed port would have sent status 2.
    EXPECT_EQ(host_.RedirectedTo(), kStart) << uid << "/" << pwd;
    EXPECT_TRUE(host_.Ended());
    EXPECT_FALSE(host_.session().Contains("ErrorMsg"));
    EXPECT_EQ(host_.SessionText("Last"), "Login_Respond");
    Request("");
    EXPECT_EQ(host_.SessionText("Message"), "");
  }
}

TEST_F(SubmitCSVTest, UnreachableServerReturnsStatusTwoWithTheDatabaseErrorText) {
  SignIn("demo", "demo");
  EXPECT_EQ(host_.RedirectedTo(), std::string(kStart) + "?s=2");
  EXPECT_TRUE(host_.Ended());
  EXPECT_EQ(host_.SessionText("Last"), "Login_Respond");
  EXPECT_EQ(host_.SessionText("User"), "demo");
  Request("", {{"s", "2"}});
  const std::string message = host_.SessionText("Message");
  EXPECT_EQ(message.rfind("Unhandled Exception. (80004005:", 0), 0u) << message;
  EXPECT_EQ(message.substr(message.size() - 2), ").") << message;
  EXPECT_EQ(message.find('['), std::string::npos) << message;
}

// A connection attempt on the closed port would send status 2.
TEST_F(SubmitCSVTest, OverlongCredentialIsRefusedAsWrongWithoutAConnection) {
  const std::string at_limit(1024, 'x'), over_limit(1025, 'x');
  const struct {
    std::string uid, pwd, status;
  } cases[] = {{at_limit, "demo", "2"},
               {"demo", at_limit, "2"},
               {over_limit, "demo", "1"},
               {"demo", over_limit, "1"}};
  for (const auto& c : cases) {
    EXPECT_EQ(SignInStatus(c.uid, c.pwd), c.status) << c.uid.size() << "/" << c.pwd.size();
    EXPECT_EQ(host_.SignedInAs(), "");
  }
}

// Only refused credentials count toward the throttle: sign-ins during an
// outage (status 2 from the closed port) never do, so the first sign-in
// after it is tried. Five refused ones (overlong, refused untried) from one
// IPv6 /64 make the sixth from it go unchecked (status 6) until the wait has
// passed.
TEST_F(SubmitCSVTest, OnlyRefusedCredentialsCountTowardTheThrottle) {
  for (int i = 0; i < 6; ++i) EXPECT_EQ(SignInStatus("demo", "demo"), "2");
  EXPECT_EQ(SignInStatus("demo", "demo"), "2");
  const std::string overlong(1025, 'x');
  for (int i = 0; i < 5; ++i) {
    host_.Variable("REMOTE_ADDR", "2001:db8:0:9::" + std::to_string(i + 1));
    EXPECT_EQ(SignInStatus("demo", overlong), "1");
  }
  host_.session().SetText("ErrorMsg", "kept");
  host_.Variable("REMOTE_ADDR", "2001:db8:0:9:ffff::1");  // the same /64
  EXPECT_EQ(SignInStatus("demo", "demo"), "6");
  EXPECT_EQ(host_.SessionText("ErrorMsg"), "kept");
  EXPECT_EQ(SignInStatus("other", "x"), "2");
  Request("", {{"s", "6"}});
  EXPECT_NE(
      host_.Output().find(">Too many failed sign-ins. Please wait a few minutes and try again.<"),
      std::string::npos);
  now_ += std::chrono::minutes(2);
  EXPECT_EQ(SignInStatus("demo", "demo"), "2");
}

// A program learns each outcome from the status headers, whatever the pages
// say: the token of the redirect's code and one line of reason.
TEST_F(SubmitCSVTest, EveryOutcomeCarriesItsStatusTokenAndReason) {
  const auto header = [this](const std::string& name) {
    for (const auto& [key, value] : host_.Headers()) {
      if (key == name) return value;
    }
    return std::string();
  };
  const std::string overlong(1025, 'x');
  const struct {
    std::function<void()> request;
    std::string token, reason;
  } cases[] = {
      {[&] { SignIn("demo", "demo"); }, "database-unreachable", "80004005:"},
      {[&] { SignIn("demo", overlong); }, "sign-in-refused", "Authentication Failed."},
      {[&] {
         host_.session().Clear();
         Request("SubmitCSV");
       },
       "session-ended", ""},
      {[&] {
         host_.session().SetText("Last", "ImportDone_Respond");
         host_.session().SetText("User", "demo");
         host_.session().SetText("Pass", "demo");
         Request("SubmitCSV");
       },
       "upload-form", ""},
      {[&] { Request("ImportDone"); }, "start-page", ""},
  };
  for (const auto& c : cases) {
    c.request();
    EXPECT_EQ(header("X-Quorax-Status"), c.token);
    EXPECT_EQ(header("X-Quorax-Reason").rfind(c.reason, 0), 0u) << header("X-Quorax-Reason");
  }
}

TEST_F(SubmitCSVTest, SecondPostAfterARejectedOneIsCheckedAgain) {
  SignIn("demo", "demo");
  Post("other", "secret");
  EXPECT_EQ(host_.RedirectedTo(), std::string(kStart) + "?s=2");
  EXPECT_EQ(host_.SessionText("User"), "other");
}

TEST_F(SubmitCSVTest, OutOfOrderRequestsAreRedirectedWithoutCheckingCredentials) {
  for (const char* last : {"WebClass_Start", "SubmitCSV_Respond", "ImportCSV_Respond"}) {
    host_.session().Clear();
    if (*last != '\0') host_.session().SetText("Last", last);
    Post("demo", "demo");
    EXPECT_EQ(host_.RedirectedTo(), kStart) << last;
    EXPECT_FALSE(host_.session().Contains("User")) << last;
    EXPECT_EQ(host_.SessionText("Last"), last);
  }
}

// The session the sign-in page was shown in may end before its form is
// posted: the form is then checked in the fresh session; nothing else is.
TEST_F(SubmitCSVTest, SignInPostedIntoAFreshSessionIsChecked) {
  Post("demo", "demo");
  EXPECT_EQ(host_.RedirectedTo(), std::string(kStart) + "?s=2");
  EXPECT_EQ(host_.SessionText("User"), "demo");
  host_.session().Clear();
  Request("SubmitCSV");
  EXPECT_EQ(host_.RedirectedTo(), kStart);
  EXPECT_EQ(host_.SessionText("Last"), "");
}

TEST_F(SubmitCSVTest, ReturnFromResultsUsesTheSessionCredentialsWithoutACheck) {
  host_.session().SetText("Last", "ImportDone_Respond");
  host_.session().SetText("User", "demo");
  host_.session().SetText("Pass", "demo");
  Post("intruder", "");
  EXPECT_EQ(host_.RedirectedTo(), "");
  EXPECT_TRUE(ShowsUploadForm());
  EXPECT_EQ(host_.SessionText("User"), "demo");
  EXPECT_EQ(host_.SessionText("Last"), "SubmitCSV_Respond");

  host_.session().SetText("Last", "ImportDone_Respond");
  host_.session().SetText("Pass", "");
  Request("SubmitCSV");
  EXPECT_EQ(host_.RedirectedTo(), kStart);
  EXPECT_EQ(host_.SessionText("Last"), "ImportDone_Respond");
}

// ---- Against the real test-case database (QUORAX_TEST_DSN) -----------------

std::string TestDsn() {
  const char* dsn = std::getenv("QUORAX_TEST_DSN");
  return dsn == nullptr ? "" : dsn;
}

class SubmitCSVDatabaseTest : public SubmitCSVTest {
 protected:
  SubmitCSVDatabaseTest() : SubmitCSVTest(TestDsn()) {}
  void SetUp() override {
    if (TestDsn().empty()) GTEST_SKIP() << "QUORAX_TEST_DSN is not set";
  }
};

TEST_F(SubmitCSVDatabaseTest, AcceptedSignInShowsTheUploadFormOnce) {
  SignIn("demo", "demo");
  EXPECT_EQ(host_.RedirectedTo(), "");
  EXPECT_EQ(host_.SignedInAs(), "demo");
  EXPECT_TRUE(ShowsUploadForm());
  EXPECT_EQ(host_.SessionText("Last"), "SubmitCSV_Respond");
  EXPECT_EQ(host_.SessionText("Pass"), "demo");

  Post("demo", "demo");
  EXPECT_EQ(host_.RedirectedTo(), kStart);
  EXPECT_FALSE(ShowsUploadForm());
}

TEST_F(SubmitCSVDatabaseTest, SignInPostedIntoAFreshSessionIsAccepted) {
  Post("demo", "demo");
  EXPECT_EQ(host_.SignedInAs(), "demo");
  EXPECT_TRUE(ShowsUploadForm());
}

TEST_F(SubmitCSVDatabaseTest, RejectedCredentialsReturnStatusOne) {
  for (const auto& [uid, pwd] : {std::pair{"demo", "wrong"}, std::pair{" demo ", "demo"}}) {
    SignIn(uid, pwd);
    EXPECT_EQ(host_.RedirectedTo(), std::string(kStart) + "?s=1") << "'" << uid << "'";
    EXPECT_EQ(host_.SessionText("User"), uid);
    EXPECT_EQ(host_.SessionText("Last"), "Login_Respond");
    EXPECT_FALSE(host_.session().Contains("ErrorMsg"));
  }
  Request("", {{"s", "1"}});
  EXPECT_NE(host_.Output().find("Authentication Failed. Access Denied."), std::string::npos);
}

TEST_F(SubmitCSVDatabaseTest, AcceptedSignInClearsTheFailuresOfItsName) {
  for (int i = 0; i < 4; ++i) EXPECT_EQ(SignInStatus("demo", "wrong"), "1");
  EXPECT_EQ(SignInStatus("demo", "demo"), "");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(SignInStatus("demo", "wrong"), "1");
  EXPECT_EQ(SignInStatus("demo", "demo"), "");
}

// On a shared browser the next sign-in, refused or not, finds nothing of
// the previous tester's run: no table, no outcomes, nothing to download.
TEST_F(SubmitCSVTest, EverySignInAttemptRemovesThePreviousRun) {
  for (const char* uid : {"bob", ""}) {
    host_.session().SetObject("CSVData", std::make_shared<int>(1));
    host_.session().SetObject("CSVErrors", std::make_shared<int>(2));
    host_.session().SetBool("NoErrors", false);
    host_.session().SetText("Unread", "alice's rest");
    SignIn(uid, "secret");
    EXPECT_NE(host_.RedirectedTo(), "") << uid;
    for (const char* key : {"CSVData", "CSVErrors", "NoErrors", "Unread"}) {
      EXPECT_FALSE(host_.session().Contains(key)) << uid << " " << key;
    }
    Request("ExportCSV");
    EXPECT_NE(host_.Output().find("There are no bad rows to download"), std::string::npos);
  }
}

// A refusal the host answers before the application runs (a body too large)
// links back to the upload form, which opens again without a new sign-in.
TEST_F(SubmitCSVTest, UploadFormOpensAgainAfterItself) {
  host_.session().SetText("Last", "SubmitCSV_Respond");
  host_.session().SetText("User", "demo");
  host_.session().SetText("Pass", "demo");
  Request("SubmitCSV");
  EXPECT_EQ(host_.RedirectedTo(), "");
  EXPECT_TRUE(ShowsUploadForm());
}

// Without a connection string the database client would use its defaults
// and the environment, which may reach some other database.
class NoDatabaseConfiguredTest : public SubmitCSVTest {
 protected:
  NoDatabaseConfiguredTest() : SubmitCSVTest("") {}
};

TEST_F(NoDatabaseConfiguredTest, EmptyDsnIsStatusTwoWithoutTryingToConnect) {
  SignIn("demo", "demo");
  EXPECT_EQ(host_.RedirectedTo(), std::string(kStart) + "?s=2");
  Request("", {{"s", "2"}});
  EXPECT_EQ(host_.SessionText("Message"),
            "Unhandled Exception. (The server has no database configured: its settings give no "
            "\"DSN\").");
}

class UnknownDatabaseTest : public SubmitCSVTest {
 protected:
  UnknownDatabaseTest() : SubmitCSVTest(TestDsn() + " dbname=quorax_no_such_database") {}
  void SetUp() override {
    if (TestDsn().empty()) GTEST_SKIP() << "QUORAX_TEST_DSN is not set";
  }
};

TEST_F(UnknownDatabaseTest, UnknownDatabaseReturnsStatusTwo) {
  SignIn("demo", "demo");
  EXPECT_EQ(host_.RedirectedTo(), std::string(kStart) + "?s=2");
  EXPECT_EQ(host_.SessionText("ErrorMsg").rfind("80004005:", 0), 0u)
      << host_.SessionText("ErrorMsg");
}

}  // namespace
}  // namespace quorax
