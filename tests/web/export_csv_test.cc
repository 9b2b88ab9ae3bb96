#include <gtest/gtest.h>

#include <string>

#include "web/results_fixture.h"

namespace quorax {
namespace {

class ExportCSVTest : public ResultsFixture {
 protected:
  std::string Download() {
    Request("ExportCSV");
    return host_.Output();
  }

  std::string Header(const std::string& name) const {
    for (const auto& [key, value] : host_.Headers()) {
      if (key == name) return value;
    }
    return "<absent>";
  }
};

constexpr char kSixRows[] =
    "TCID,Result\r\n1,P\r\n2,X\r\n3,P\r\n4,P\r\n5,\"say \"\"hi\"\", ok\"\r\n6,P\r\n";

TEST_F(ExportCSVTest, RejectedRowsFollowTheHeaderLineInFileOrder) {
  StoreRun(kSixRows, {{0, ""}, {-32, ""}, {0, ""}, {0, ""}, {-1, ""}, {0, ""}});
  const std::string expected =
      "\"TCID\",\"Result\"\r\n\"2\",\"X\"\r\n\"5\",\"say \"\"hi\"\", ok\"\r\n";
  EXPECT_EQ(Download(), expected);
  EXPECT_EQ(host_.ContentType(), "text/csv");
  EXPECT_EQ(Header("Content-Disposition"), "attachment; filename=errors.csv");
}

TEST_F(ExportCSVTest, RowsFromADatabaseFailureOnAreAllExported) {
  StoreRun("TCID\r\n1\r\n2\r\n3\r\n4\r\n5\r\n", {{-2, ""}, {0, ""}, {-259, "8:gone"}});
  EXPECT_EQ(Download(), "\"TCID\"\r\n\"1\"\r\n\"3\"\r\n\"4\"\r\n\"5\"\r\n");
}

TEST_F(ExportCSVTest, PositiveCodesAreLeftOut) {
  StoreRun("TCID\r\n1\r\n2\r\n", {{5, ""}, {-4, ""}});
  EXPECT_EQ(Download(), "\"TCID\"\r\n\"2\"\r\n");
}

TEST_F(ExportCSVTest, QuotedHeaderNamesComeBackWithTheirQuotesDoubled) {
  StoreRun("\"TCID\",Notes\r\n1,<b>\r\n", {{-1, ""}});
  EXPECT_EQ(Download(), "\"\"\"TCID\"\"\",\"Notes\"\r\n\"1\",\"<b>\"\r\n");
}

TEST_F(ExportCSVTest, ContentLengthCountsBytesOfHighCharacters) {
  StoreRun("Tester\r\n\xE9milie \x80\r\n", {{-64, ""}});
  const std::string body = Download();
  EXPECT_EQ(body, "\"Tester\"\r\n\"\xE9milie \x80\"\r\n");
  EXPECT_EQ(body.size(), 22u);
}

TEST_F(ExportCSVTest, NoErrorsGivesAnHtmlNoticeAndNoFile) {
  StoreRun("TCID\r\n1\r\n", {{0, ""}});
  EXPECT_EQ(Download(),
            "<HTML><HEAD><TITLE></TITLE></HEAD><BODY><H1>There are no bad rows to "
            "download</H1></BODY></HTML>");
  EXPECT_TRUE(host_.Headers().empty());
  EXPECT_EQ(host_.ContentType(), "");
  EXPECT_TRUE(host_.Ended());
}

TEST_F(ExportCSVTest, IgnoresAndKeepsThePageOrderMarker) {
  StoreRun("TCID\r\n1\r\n", {{-1, ""}});
  host_.session().SetText("Last", "Login_Respond");
  EXPECT_EQ(Download(), "\"TCID\"\r\n\"1\"\r\n");
  EXPECT_EQ(host_.RedirectedTo(), "");
  EXPECT_EQ(host_.SessionText("Last"), "Login_Respond");
}

// A session without a run (never uploaded, or cleared by a sign-in) has
// nothing to download, and says so rather than failing.
TEST_F(ExportCSVTest, NoRunInTheSessionHasNoBadRowsToDownload) {
  host_.NewRequest();
  EXPECT_EQ(Download(),
            "<HTML><HEAD><TITLE></TITLE></HEAD><BODY><H1>There are no bad rows to "
            "download</H1></BODY></HTML>");
  EXPECT_EQ(Header("X-Quorax-Status"), "no-results");
}

}  // namespace
}  // namespace quorax
