#include "web/main.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include "common/errors.h"
#include "host/web_application.h"
#include "support/config.h"
#include "testing/fake_host.h"
#include "testing/settings_file.h"
#include "web/web_app_fixture.h"

namespace quorax {
namespace {

// ---- Settings and page addresses -------------------------------------------

TEST(PageAddressesTest, FollowBaseDirDebugAndSecure) {
  struct Case {
    std::vector<std::pair<const char*, const char*>> settings;
    const char* base;
    const char* scheme;
  };
  const Case cases[] = {
      {{{"BaseDir", "/results"}}, "/results/", "http://"},
      {{{"BaseDir", "/results/"}, {"Secure", "Y"}}, "/results/", "https://"},
      {{{"BaseDir", " /x"}, {"Secure", "yes"}}, " /x/", "https://"},
      {{{"BaseDir", "C:\\web\\"}, {"Secure", "N"}}, "C:\\web\\/", "http://"},
      {{{"Debug", "y"}, {"Secure", "Y"}}, "/", "http://"},
      {{{"Debug", "N"}, {"Secure", " Y"}}, "/", "http://"},
  };
  for (const Case& c : cases) {
    Config settings;
    for (const auto& [key, value] : c.settings) settings.SetItem(key, value);
    const PageAddresses addresses = PageAddressesFrom(settings);
    const std::string host_page = std::string(c.base) + "Quorax.asp";
    EXPECT_EQ(addresses.BaseDirectory, c.base);
    EXPECT_EQ(addresses.UrlScheme, c.scheme) << c.base;
    EXPECT_EQ(addresses.HostPageAddress, host_page);
    EXPECT_EQ(addresses.SubmitCSVAddress, host_page + "?WCI=SubmitCSV&amp;WCU=&amp;");
    EXPECT_EQ(addresses.ImportDoneAddress, host_page + "?WCI=ImportDone&amp;WCU=&amp;");
    EXPECT_EQ(addresses.ExportCSVAddress, host_page + "?WCI=ExportCSV&amp;WCU=&amp;");
  }
}

TEST(MainSettingsTest, AbsentKeysTakeTheirDefaults) {
  SettingsFile settings({"# nothing but a comment"});
  quorax::main app(settings.path());
  EXPECT_EQ(app.Addresses.HostPageAddress, "/Quorax.asp");
  EXPECT_FALSE(app.DebugMode);
  EXPECT_EQ(app.Addresses.UrlScheme, "http://");
  EXPECT_EQ(app.DataSourceName, "");
  EXPECT_EQ(app.BuildVersion, "");
  EXPECT_EQ(app.BuildDateText, "");
}

TEST(MainSettingsTest, ValuesAreUsedExactlyAsStored) {
  SettingsFile settings({"BaseDir= /x", "Debug = Y", "DSN=host=db port=5 # x", "BuildVer=1.2",
                         "BuildDate=07/12/2026"});
  quorax::main app(settings.path());
  EXPECT_EQ(app.Addresses.HostPageAddress, " /x/Quorax.asp");
  EXPECT_FALSE(app.DebugMode);  // the value " Y" begins with a space
  EXPECT_EQ(app.DataSourceName, "host=db port=5 # x");
  EXPECT_EQ(app.BuildVersion, "1.2");
  EXPECT_EQ(app.BuildDateText, "07/12/2026");

  SettingsFile backslash({"BaseDir=C:\\web\\"});
  EXPECT_EQ(quorax::main(backslash.path()).Addresses.HostPageAddress, "C:\\web\\/Quorax.asp");
}

TEST(MainSettingsTest, DebugAndSecureFollowTheFirstCharacter) {
  struct Case {
    std::optional<std::string> debug, secure;
    bool debug_mode;
    const char* scheme;
  };
  const Case cases[] = {
      {"Y", std::nullopt, true, "http://"}, {"yes", "Y", true, "http://"},
      {"y", "y", true, "http://"},          {"N", "Y", false, "https://"},
      {"no", "yes", false, "https://"},     {std::nullopt, "N", false, "http://"},
      {std::nullopt, "", false, "http://"},
  };
  for (const Case& c : cases) {
    SettingsFile settings(
        {c.debug ? "Debug=" + *c.debug : "#", c.secure ? "Secure=" + *c.secure : "#"});
    quorax::main app(settings.path());
    EXPECT_EQ(app.DebugMode, c.debug_mode)
        << c.debug.value_or("-") << "/" << c.secure.value_or("-");
    EXPECT_EQ(app.Addresses.UrlScheme, c.scheme)
        << c.debug.value_or("-") << "/" << c.secure.value_or("-");
  }
}

TEST(MainSettingsTest, MissingSettingsFileLeavesAddressesEmpty) {
  for (const std::string& path : {SettingsFile::MissingPath(), std::string()}) {
    quorax::main app(path);
    EXPECT_EQ(app.BuildVersion, "{Error}");
    EXPECT_EQ(app.BuildDateText, "{Error}");
    EXPECT_FALSE(app.DebugMode);
    EXPECT_EQ(app.Addresses.UrlScheme, "");
    EXPECT_EQ(app.Addresses.HostPageAddress, "");
    EXPECT_EQ(app.Addresses.SubmitCSVAddress, "");
    EXPECT_EQ(app.DataSourceName, "");
  }
}

// ---- Start handler ---------------------------------------------------------

class StartTest : public WebAppFixture {
 protected:
  explicit StartTest(std::initializer_list<std::string> lines = {"BaseDir=/results", "Secure=Y"})
      : WebAppFixture(lines, "10.0.0.5:8080") {}

  // Runs the start handler for a request with status `s` (none when null)
  // after an earlier request left "previous" as the message.
  void Start(const char* s) {
    host_.session().SetText("Message", "previous");
    host_.NewRequest();
    if (s != nullptr) host_.Query("s", s);
    app_.WebClass_Start(host_);
  }
};

TEST_F(StartTest, PlainConnectionIsOnlyRedirectedToTheSecureHostPage) {
  for (const char* https : {"off", "OFF", "Off"}) {
    host_.Variable("HTTPS", https);
    Start("1");
    EXPECT_EQ(host_.RedirectedTo(), "https://10.0.0.5:8080/results/Quorax.asp") << https;
    EXPECT_TRUE(host_.Ended());
    EXPECT_EQ(host_.SessionText("Message"), "previous");
    EXPECT_FALSE(host_.session().Contains("Last"));
    EXPECT_EQ(host_.TakeNextItem(), "");
  }
}

TEST_F(StartTest, MissingHttpsVariableIsNotAPlainConnection) {
  FakeHost bare;
  bare.Variable("LOCAL_ADDR", "10.0.0.5");
  app_.WebClass_Start(bare);
  EXPECT_EQ(bare.RedirectedTo(), "");
  EXPECT_EQ(bare.TakeNextItem(), "Login");
}

TEST(StartSecureRedirectTest, UsesHttpsWhateverTheSchemeAndWithoutSettings) {
  SettingsFile plain({"BaseDir=/r"});
  quorax::main without_secure(plain.path());
  quorax::main without_settings(SettingsFile::MissingPath());
  FakeHost host;
  host.Variable("HTTPS", "off");
  host.Variable("LOCAL_ADDR", "10.0.0.5");
  without_secure.WebClass_Start(host);
  EXPECT_EQ(host.RedirectedTo(), "https://10.0.0.5/r/Quorax.asp");
  host.NewRequest();
  without_settings.WebClass_Start(host);
  EXPECT_EQ(host.RedirectedTo(), "https://10.0.0.5");
}

class DebugStartTest : public StartTest {
 protected:
  DebugStartTest() : StartTest({"Debug=Y", "Secure=Y"}) {}
};

TEST_F(DebugStartTest, PlainConnectionIsServedInDebugMode) {
  host_.Variable("HTTPS", "off");
  Start("5");
  EXPECT_EQ(host_.RedirectedTo(), "");
  EXPECT_EQ(host_.SessionText("Message"), "You have been logged out.");
  EXPECT_EQ(host_.TakeNextItem(), "Login");
}

TEST_F(StartTest, StatusCodeSetsTheMessage) {
  host_.Variable("SESSION_TIMEOUT", "1200");
  const std::pair<const char*, const char*> cases[] = {
      {nullptr, ""},
      {"", ""},
      {"0", ""},
      {"1", "Authentication Failed. Access Denied."},
      {"2", "Unhandled Exception. ()."},
      {"3", "previous"},
      {"4", "The connection to the database has been lost. Please try again."},
      {"5", "You have been logged out."},
      {"6", "Too many failed sign-ins. Please wait a few minutes and try again."},
      {"7", "Your session ended after 20 minutes without activity. Sign in again."},
      {"8", "previous"},
      {"-1", "previous"},
      {"32767", "previous"},
      {"-32768", "previous"},
  };
  for (const auto& [s, message] : cases) {
    Start(s);
    EXPECT_EQ(host_.SessionText("Message"), message) << (s ? s : "(absent)");
    EXPECT_EQ(host_.SessionText("Last"), "WebClass_Start");
    EXPECT_EQ(host_.TakeNextItem(), "Login");
    EXPECT_FALSE(host_.Ended());
  }
}

TEST_F(StartTest, StatusTwoShowsTheErrorTextWithoutSurroundingSpaces) {
  host_.session().SetText("ErrorMsg", "  80004005:could not connect  ");
  Start("2");
  EXPECT_EQ(host_.SessionText("Message"), "Unhandled Exception. (80004005:could not connect).");
}

TEST_F(StartTest, StatusThatIsNoSixteenBitNumberRaisesAndChangesNothing) {
  host_.session().SetText("Last", "SubmitCSV_Respond");
  EXPECT_THROW(Start("abc"), InvalidArgument);
  EXPECT_THROW(Start("32768"), Overflow);
  EXPECT_THROW(Start("-32769"), Overflow);
  EXPECT_EQ(host_.SessionText("Message"), "previous");
  EXPECT_EQ(host_.SessionText("Last"), "SubmitCSV_Respond");
}

// ---- Routing and the page-order rule ---------------------------------------

TEST_F(StartTest, UnknownPageItemIsRefusedWithoutEffect) {
  EXPECT_FALSE(app_.Respond("Logon", host_));
  EXPECT_FALSE(Dispatch(app_, host_, "WebClass_Start"));
  EXPECT_EQ(host_.RedirectedTo(), "");
  EXPECT_EQ(host_.Output(), "");
}

TEST_F(StartTest, OutOfOrderRequestsReturnToTheStartAddress) {
  const std::pair<const char*, const char*> cases[] = {
      {"Login", ""},      {"login", "Login_Respond"},
      {"SubmitCSV", ""},  {"SUBMITCSV", "SubmitCSV_Respond"},
      {"ImportCSV", ""},  {"importcsv", "Login_Respond"},
      {"ImportDone", ""}, {"ImportDone", "SubmitCSV_Respond"},
  };
  for (const auto& [item, last] : cases) {
    host_.NewRequest();
    host_.session().Clear();
    if (*last != '\0') host_.session().SetText("Last", last);
    EXPECT_TRUE(Dispatch(app_, host_, item));
    EXPECT_EQ(host_.RedirectedTo(), "https://10.0.0.5:8080/results/Quorax.asp")
        << item << " after " << last;
    EXPECT_TRUE(host_.Ended());
    EXPECT_EQ(host_.Output(), "");
    EXPECT_EQ(host_.SessionText("Last"), last);
  }
}

// A request whose session ended goes to the sign-in page saying so; a
// request without a session cookie, as ever, says nothing.
TEST_F(StartTest, RequestAfterItsSessionEndedSaysSoOnTheSignInPage) {
  const struct {
    const char* item;
    const char* ended;
    const char* timeout;
    const char* status;
    const char* message;
  } cases[] = {
      {"ImportDone", "1", "60", "?s=7",
       "Your session ended after 1 minute without activity. Sign in again."},
      {"ExportCSV", "1", "90", "?s=7",
       "Your session ended after 90 seconds without activity. Sign in again."},
      {"SubmitCSV", "", "60", "", ""},
  };
  for (const auto& c : cases) {
    host_.NewRequest();
    host_.session().Clear();
    host_.Variable("SESSION_ENDED", c.ended);
    host_.Variable("SESSION_TIMEOUT", c.timeout);
    ASSERT_TRUE(Dispatch(app_, host_, c.item));
    EXPECT_EQ(host_.RedirectedTo(),
              std::string("https://10.0.0.5:8080/results/Quorax.asp") + c.status);
    Start(*c.status == '\0' ? nullptr : "7");
    EXPECT_EQ(host_.SessionText("Message"), c.message) << c.timeout;
  }
}

// ---- Common tags -----------------------------------------------------------

// Returns what ProcessCommonTags makes of `tag` (nullopt when not handled).
std::optional<std::string> CommonTag(quorax::main& app, FakeHost& host, const std::string& tag) {
  std::string contents = "template text";
  bool send_tags = true;
  if (!app.ProcessCommonTags(host, tag, contents, send_tags)) return std::nullopt;
  EXPECT_FALSE(send_tags) << tag;
  return contents;
}

TEST(CommonTagsTest, ReplacesBuildAndLogoutTagsInAnyCase) {
  SettingsFile settings({"BaseDir=/results", "Secure=Y", "BuildVer=2.1", "BuildDate=07/12/2026"});
  quorax::main app(settings.path());
  FakeHost host;
  host.Variable("LOCAL_ADDR", "10.0.0.5:8443");
  EXPECT_EQ(CommonTag(app, host, "WC@BUILD_VER"), "v2.1");
  EXPECT_EQ(CommonTag(app, host, "wc@build_date"), "07/12/2026");
  EXPECT_EQ(CommonTag(app, host, "WC@Logout_Url"), "https://10.0.0.5:8443/results/Quorax.asp?s=5");
  EXPECT_EQ(CommonTag(app, host, "WC@MESSAGE"), std::nullopt);
}

TEST(CommonTagsTest, MissingSettingsShowErrorsAndABareLogoutAddress) {
  quorax::main app(SettingsFile::MissingPath());
  FakeHost host;
  host.Variable("LOCAL_ADDR", "10.0.0.5");
  EXPECT_EQ(CommonTag(app, host, "WC@BUILD_VER"), "v{Error}");
  EXPECT_EQ(CommonTag(app, host, "WC@BUILD_DATE"), "{Error}");
  EXPECT_EQ(CommonTag(app, host, "WC@LOGOUT_URL"), "10.0.0.5?s=5");
}

// Only the start page and Login may run on a network thread: every other
// item may wait on the database.
TEST(MainNeverBlocksTest, OnlyStartAndLogin) {
  const main app("");
  for (const char* item : {"", "Login", "LOGIN"}) EXPECT_TRUE(app.NeverBlocks(item)) << item;
  for (const char* item : {"SubmitCSV", "ImportCSV", "ImportDone", "ExportCSV", "ExportResults"}) {
    EXPECT_FALSE(app.NeverBlocks(item)) << item;
  }
}

}  // namespace
}  // namespace quorax
