#include <gtest/gtest.h>

#include "web/web_app_fixture.h"

namespace quorax {
namespace {

class LoginTest : public WebAppFixture {
 protected:
  explicit LoginTest(std::initializer_list<std::string> lines = {"BaseDir=/results", "BuildVer=3.0",
                                                                 "BuildDate=01/02/2026"})
      : WebAppFixture(lines, "10.0.0.5:8080") {}

  // Requests the start page with status `s`, which then shows the sign-in page.
  void StartPage(const std::string& s = "") { Request("", {{"s", s}}); }
};

TEST_F(LoginTest, StartPageShowsTheSignInFormPostingToSubmitCSV) {
  StartPage();
  const std::string& page = host_.Output();
  EXPECT_EQ(host_.SessionText("Last"), "Login_Respond");
  EXPECT_EQ(host_.RedirectedTo(), "");
  // The form's relative target, resolved against the host page, is SubmitCSVAddress.
  EXPECT_NE(page.find("method=\"post\""), std::string::npos);
  EXPECT_NE(page.find("action=\"Quorax.asp?WCI=SubmitCSV&amp;WCU=\""), std::string::npos);
  EXPECT_EQ(app_.Addresses.SubmitCSVAddress, "/results/Quorax.asp?WCI=SubmitCSV&amp;WCU=&amp;");
  EXPECT_NE(page.find("name=\"uid\""), std::string::npos);
  EXPECT_NE(page.find("name=\"pwd\" type=\"password\""), std::string::npos);
  EXPECT_EQ(page.find("Log out"), std::string::npos) << "no one is signed in yet";
  EXPECT_NE(page.find("v3.0"), std::string::npos);
  EXPECT_NE(page.find("01/02/2026"), std::string::npos);
  EXPECT_EQ(page.find("WC@"), std::string::npos);
}

TEST_F(LoginTest, StatusMessageReachesTheSignInPage) {
  StartPage("1");
  EXPECT_NE(host_.Output().find(">Authentication Failed. Access Denied.<"), std::string::npos);
  EXPECT_FALSE(host_.Abandoned());
  StartPage();
  EXPECT_EQ(host_.Output().find("logged out"), std::string::npos);
}

TEST_F(LoginTest, LogOutShowsItsMessageThenEndsTheSession) {
  host_.session().SetText("Pass", "demo");
  StartPage("5");
  EXPECT_NE(host_.Output().find(">You have been logged out.<"), std::string::npos);
  EXPECT_TRUE(host_.Abandoned());
  EXPECT_FALSE(host_.session().Contains("Pass"));
  EXPECT_EQ(host_.SessionText("Last"), "Login_Respond");  // the form posts into the fresh session
}

TEST_F(LoginTest, MessageIsHtmlEscaped) {
  host_.session().SetText("ErrorMsg", "80004005:role \"<b>x</b>\" & more");
  StartPage("2");
  EXPECT_NE(host_.Output().find("(80004005:role &quot;&lt;b&gt;x&lt;/b&gt;&quot; &amp; more)."),
            std::string::npos);
  EXPECT_EQ(host_.Output().find("<b>x"), std::string::npos);
}

TEST_F(LoginTest, ExtraInfoReplacesTheTemplateTextOnlyWhenSet) {
  host_.SetTemplate("login.htm", "[<WC@EXTRAINFO>default</WC@EXTRAINFO>]");
  StartPage();
  EXPECT_EQ(host_.Output(), "[default]");
  host_.session().SetText("ExtraInfo", "");
  StartPage();
  EXPECT_EQ(host_.Output(), "[default]");
  host_.session().SetText("ExtraInfo", "Maintenance at 18:00");
  StartPage();
  EXPECT_EQ(host_.Output(), "[Maintenance at 18:00]");
}

TEST_F(LoginTest, TagNamesMatchInAnyCaseAndOutsideDebugModeHaveNoMarkers) {
  host_.SetTemplate("login.htm", "<wc@message>x</wc@message>|<WC@Other>kept</WC@Other>");
  StartPage("5");
  EXPECT_EQ(host_.Output(), "You have been logged out.|kept");
}

class DebugLoginTest : public LoginTest {
 protected:
  DebugLoginTest() : LoginTest({"Debug=Y", "BuildVer=3.0"}) {}
};

TEST_F(DebugLoginTest, PageTagsKeepTheirMarkersButCommonTagsNever) {
  host_.SetTemplate("login.htm",
                    "<WC@MESSAGE></WC@MESSAGE>|<WC@OTHER>kept</WC@OTHER>|<wc@build_ver>"
                    "</wc@build_ver>");
  StartPage("5");
  EXPECT_EQ(host_.Output(),
            "<WC@MESSAGE>You have been logged out.</WC@MESSAGE>|<WC@OTHER>kept</WC@OTHER>|v3.0");
}

TEST_F(LoginTest, OutOfOrderRequestIsRedirectedWithoutWritingThePage) {
  for (const char* last : {"", "Login_Respond", "ImportDone_Respond"}) {
    host_.NewRequest();
    host_.session().SetText("Last", last);
    app_.Login_Respond(host_);
    EXPECT_EQ(host_.RedirectedTo(), "http://10.0.0.5:8080/results/Quorax.asp") << last;
    EXPECT_TRUE(host_.Ended());
    EXPECT_EQ(host_.Output(), "");
    EXPECT_EQ(host_.SessionText("Last"), last);
  }
}

}  // namespace
}  // namespace quorax
