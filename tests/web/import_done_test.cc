#include <gtest/gtest.h>

#include <string>

#include "web/results_fixture.h"

namespace quorax {
namespace {

constexpr char kHeaderRow[] =
    "<TABLE BGCOLOR=#DDDDEE BORDER=1 CELLSPACING=1 CELLPADDING=2 WIDTH=100%>\r\n"
    "<TR>\r\n<TH>TCID</TH>\r\n<TH>Test Date</TH>\r\n<TH>Version</TH>\r\n<TH>Platform</TH>\r\n"
    "<TH>Browser</TH>\r\n<TH>Result</TH>\r\n<TH>Tester</TH>\r\n<TH>PR</TH>\r\n<TH>Notes</TH>\r\n"
    "<TH>Errors</TH>\r\n</TR>\r\n";

// Navigation for BaseDir /results, without and with the download link.
std::string Navigation(bool download_link) {
  std::string html =
      "<TR><TD COLSPAN=10>\r\n"
      "<TABLE BORDER=0 WIDTH=100% CELLSPACING=12><TR>\r\n"
      "<TD WIDTH=100%><TABLE BORDER=0 WIDTH=100%><TR>\r\n"
      "<TD WIDTH=33% ALIGN=\"CENTER\" ALIGN=\"CENTER\"><A "
      "HREF=\"/results/Quorax.asp?WCI=ImportDone&amp;WCU=&amp;d=b\">Display Bad Rows</A></TD>\r\n"
      "<TD WIDTH=33% ALIGN=\"CENTER\"><A "
      "HREF=\"/results/Quorax.asp?WCI=ImportDone&amp;WCU=&amp;d=a\">Display All Rows</A></TD>\r\n"
      "<TD WIDTH=33% ALIGN=\"CENTER\"><A "
      "HREF=\"/results/Quorax.asp?WCI=ImportDone&amp;WCU=&amp;d=s\">Display Good Rows</A></TD>\r\n"
      "</TR></TABLE></TD>\r\n"
      "</TR><TR>\r\n"
      "<TD WIDTH=100%><TABLE BORDER=0 WIDTH=100%><TR>\r\n"
      "<TD WIDTH=50% ALIGN=\"CENTER\"><A "
      "HREF=\"/results/Quorax.asp?WCI=SubmitCSV&amp;WCU=&amp;\">Return to Main Menu</A></TD>\r\n"
      "<TD WIDTH=50% ALIGN=\"CENTER\">";
  html += download_link ? "<A HREF=\"/results/Quorax.asp?WCI=ExportCSV&amp;WCU=&amp;\" "
                          "TARGET=\"anewwin\">Download Bad Rows</A>"
                        : "Download Bad Rows";
  html +=
      "</TD>\r\n"
      "</TR></TABLE></TD>\r\n"
      "</TR></TABLE></TD></TR>\r\n"
      "</TABLE>\r\n";
  return html;
}

// A run of four rows: a success, a rejected row, a database failure at row 3
// and row 4 never processed.
constexpr char kFourRows[] = "TCID,Date,Notes\r\n1,,x\r\n2, ,<i>\r\n3,q,r\r\n4,s,t\r\n";

class ImportDoneTest : public ResultsFixture {
 protected:
  void StoreFourRows() {
    StoreRun(kFourRows, {{0, "Verified successfully."}, {-6, ""}, {-259, "8:server <gone>"}});
  }
};

constexpr char kRow1[] =
    "<TR>\r\n<TD VALIGN=\"TOP\">1</TD>\r\n<TD VALIGN=\"TOP\">&nbsp</TD>\r\n"
    "<TD VALIGN=\"TOP\">x</TD>\r\n"
    "<TD BGCOLOR=#00DD00 VALIGN=\"TOP\">Verified successfully.<BR>\r\n</TD></TR>\r\n";
constexpr char kRow2[] =
    "<TR>\r\n<TD VALIGN=\"TOP\">2</TD>\r\n<TD VALIGN=\"TOP\"> </TD>\r\n"
    "<TD VALIGN=\"TOP\">&lt;i&gt;</TD>\r\n"
    "<TD BGCOLOR=#DD0000 VALIGN=\"TOP\">(-6)<BR>\r\nTestcaseID does not exist.<BR>\r\n"
    "TestDate is in the future.<BR>\r\n</TD></TR>\r\n";
constexpr char kRow3[] =
    "<TR>\r\n<TD VALIGN=\"TOP\">3</TD>\r\n<TD VALIGN=\"TOP\">q</TD>\r\n<TD "
    "VALIGN=\"TOP\">r</TD>\r\n"
    "<TD BGCOLOR=#DDDD00 VALIGN=\"TOP\">(-259)<BR>A Database error occured here.<BR>"
    "8:server &lt;gone&gt;<BR></TD></TR>\r\n";
constexpr char kRow4[] =
    "<TR>\r\n<TD VALIGN=\"TOP\">4</TD>\r\n<TD VALIGN=\"TOP\">s</TD>\r\n<TD "
    "VALIGN=\"TOP\">t</TD>\r\n"
    "<TD BGCOLOR=#DDDD00 VALIGN=\"TOP\">Not imported or tested due to previous database error "
    "on row 3<BR></TD></TR>\r\n";

TEST_F(ImportDoneTest, AllRowsViewShowsEveryRowWithItsOutcome) {
  StoreFourRows();
  EXPECT_EQ(View("a"), std::string("<!--- START DrawAllRowsTable --->\r\n"
                                   "<B>Display Mode: All Rows</B><BR>"
                                   "<B>Operation Mode: Verify</B><BR><BR>\r\n") +
                           kHeaderRow + kRow1 + kRow2 + kRow3 + kRow4 + Navigation(true) +
                           "<!--- END DrawAllRowsTable --->\r\n");
}

TEST_F(ImportDoneTest, BadRowsViewShowsRejectedFailedAndUnprocessedRows) {
  StoreFourRows();
  EXPECT_EQ(View("b"), std::string("<!--- START DrawBadRowsTable --->\r\n"
                                   "<B>Display Mode: Bad Rows</B><BR>\r\n"
                                   "<B>Operation Mode: Verify</B><BR><BR>") +
                           kHeaderRow + kRow2 + kRow3 + kRow4 + Navigation(true) +
                           "<!--- END DrawBadRowsTable --->\r\n");
}

TEST_F(ImportDoneTest, GoodRowsViewStopsAtTheDatabaseFailure) {
  StoreFourRows();
  EXPECT_EQ(View("s"), std::string("<!--- START DrawSuccessRowsTable --->\r\n"
                                   "<B>Display Mode: Good Rows</B><BR>\r\n"
                                   "<B>Operation Mode: Verify</B><BR><BR>\r\n") +
                           kHeaderRow + kRow1 + Navigation(true) +
                           "<!--- END DrawSuccessRowsTable --->\r\n");
}

// An import whose last commit was lost in flight ends with several rows not
// known whether recorded: each shows its own outcome, the rows after the
// last of them were not processed, and all of them are bad rows to download.
TEST_F(ImportDoneTest, RowsNotKnownWhetherRecordedEachShowTheirOutcome) {
  const char* not_known = "Not known whether recorded; verify them before importing again.";
  StoreRun(kFourRows, {{0, "Imported successfully."}, {-260, not_known}, {-260, not_known}},
           "Import");
  const std::string all = View("a");
  const std::string cell =
      std::string("(-260)<BR>A Database error occured here.<BR>") + not_known + "<BR></TD></TR>";
  EXPECT_NE(all.find(cell), all.rfind(cell));
  EXPECT_NE(all.find("previous database error on row 3<BR>"), std::string::npos);
  EXPECT_EQ(all.find("previous database error on row 2"), std::string::npos);
  Request("ExportCSV");
  EXPECT_EQ(host_.Output(),
            "\"TCID\",\"Date\",\"Notes\"\r\n\"2\",\" \",\"<i>\"\r\n\"3\",\"q\",\"r\"\r\n"
            "\"4\",\"s\",\"t\"\r\n");
}

TEST_F(ImportDoneTest, SummaryCountsEachKindOfRowWithABarOfThoseCounts) {
  StoreFourRows();
  host_.SetTemplate("importdone.htm", "<WC@SUMMARY>template text</WC@SUMMARY>");
  host_.session().SetText("Last", "ImportCSV_Respond");
  Request("ImportDone");
  EXPECT_EQ(host_.Output(),
            "<p class=\"summary\">4 rows read: 1 passed, 1 rejected, 1 database failure, 1 not "
            "processed.</p>\r\n<div class=\"bar\" aria-hidden=\"true\">"
            "<span class=\"passed\" style=\"flex-grow: 1\"></span>"
            "<span class=\"rejected\" style=\"flex-grow: 1\"></span>"
            "<span class=\"failure\" style=\"flex-grow: 1\"></span>"
            "<span class=\"skipped\" style=\"flex-grow: 1\"></span></div>\r\n");
}

TEST_F(ImportDoneTest, CompleteSuccessNoticeNamesTheMode) {
  StoreRun("TCID\r\n1\r\n", {{0, "Imported successfully."}}, "Import");
  EXPECT_EQ(View("n"),
            "<!--- START DrawCompleteSuccess --->\r\n"
            "<B>Operation Mode: Import</B><BR><BR>"
            "<TABLE BGCOLOR=#DDDDEE BORDER=1 CELLSPACING=1 CELLPADDING=2 WIDTH=100%>\r\n"
            "<TR><TD COLSPAN=10 ALIGN=\"CENTER\"><B>All rows have been imported "
            "successfully</B></TD></TR>\r\n" +
                Navigation(false) + "<!--- END DrawCompleteSuccess --->\r\n");
  host_.session().SetText("Mode", "Verify");
  EXPECT_NE(View("n").find("All rows have been verified and are Ok"), std::string::npos);
}

// The notice claims success: asked for while rows failed, the bad rows show.
TEST_F(ImportDoneTest, NoticeIsShownOnlyWhenNoRowFailed) {
  StoreFourRows();
  EXPECT_EQ(View("N").rfind("<!--- START DrawBadRowsTable --->", 0), 0u);
  EXPECT_EQ(host_.SessionText("Display"), "b");
  EXPECT_TRUE(Contains(Navigation(true)));
}

TEST_F(ImportDoneTest, DefaultViewFollowsNoErrors) {
  StoreRun("TCID\r\n1\r\n", {{0, ""}});
  EXPECT_EQ(View("").rfind("<!--- START DrawCompleteSuccess --->", 0), 0u);
  EXPECT_EQ(host_.SessionText("Display"), "n");
  StoreRun("TCID\r\n1\r\n", {{-1, ""}});
  EXPECT_EQ(View("").rfind("<!--- START DrawBadRowsTable --->", 0), 0u);
  EXPECT_EQ(host_.SessionText("Display"), "b");
  EXPECT_EQ(host_.SessionText("Last"), "ImportDone_Respond");
}

TEST_F(ImportDoneTest, ViewCodesIgnoreCaseAndUnknownCodesKeepTheTemplate) {
  StoreFourRows();
  EXPECT_EQ(View("A").rfind("<!--- START DrawAllRowsTable --->", 0), 0u);
  EXPECT_EQ(host_.SessionText("Display"), "A");
  EXPECT_EQ(View("S").rfind("<!--- START DrawSuccessRowsTable --->", 0), 0u);
  EXPECT_EQ(View("x"), "template text");
}

TEST_F(ImportDoneTest, PositiveCodePassesInEveryView) {
  StoreRun("TCID\r\n1\r\n", {{7, ""}});
  EXPECT_TRUE(View("a").find("<TD BGCOLOR=#00DD00 VALIGN=\"TOP\"></TD></TR>") != std::string::npos);
  EXPECT_EQ(View("b").find("<TR>\r\n<TD VALIGN"), std::string::npos);
  EXPECT_NE(View("s").find("<TR>\r\n<TD VALIGN"), std::string::npos);
}

TEST_F(ImportDoneTest, TableWithoutRowsIsHeadingHeaderAndNavigation) {
  StoreRun("TCID,Date\r\n", {});
  EXPECT_EQ(View("b"), std::string("<!--- START DrawBadRowsTable --->\r\n"
                                   "<B>Display Mode: Bad Rows</B><BR>\r\n"
                                   "<B>Operation Mode: Verify</B><BR><BR>") +
                           kHeaderRow + Navigation(false) + "<!--- END DrawBadRowsTable --->\r\n");
  EXPECT_EQ(View("a").find("<TR>\r\n<TD VALIGN"), std::string::npos);
  EXPECT_EQ(View("s").find("<TR>\r\n<TD VALIGN"), std::string::npos);
}

TEST_F(ImportDoneTest, MarkupFromTheFileIsShownAsText) {
  StoreRun("TCID,Notes\r\n<script>alert(1)</script>,\"a&b \"\"q\"\"\"\r\n", {{-1, ""}});
  View("b");
  EXPECT_TRUE(Contains("<TD VALIGN=\"TOP\">&lt;script&gt;alert(1)&lt;/script&gt;</TD>"));
  EXPECT_TRUE(Contains("<TD VALIGN=\"TOP\">a&amp;b &quot;q&quot;</TD>"));
  EXPECT_FALSE(Contains("<script>"));
}

TEST_F(ImportDoneTest, OutOfOrderRequestIsSentToTheStartPage) {
  StoreFourRows();
  host_.session().SetText("Last", "SubmitCSV_Respond");
  Request("ImportDone", {{"d", "a"}});
  EXPECT_EQ(host_.RedirectedTo(), "http://10.0.0.5/results/Quorax.asp");
  EXPECT_TRUE(host_.Ended());
  EXPECT_EQ(host_.Output(), "");
  EXPECT_EQ(host_.SessionText("Last"), "SubmitCSV_Respond");
  EXPECT_EQ(host_.SessionText("Display"), "");
}

TEST_F(ImportDoneTest, ViewingAgainIsAllowedAfterTheResultsPage) {
  StoreFourRows();
  View("a");
  host_.NewRequest();
  host_.Query("d", "s");
  ASSERT_TRUE(Dispatch(app_, host_, "ImportDone"));
  EXPECT_TRUE(Contains("<!--- START DrawSuccessRowsTable --->"));
}

TEST_F(ImportDoneTest, ShippedTemplateShowsResultsParseNoteAndCommonTags) {
  StoreFourRows();
  host_.session().SetText("Last", "ImportCSV_Respond");
  host_.session().SetBool("ReadStopped", true);
  host_.session().SetText("ParseNote", "The file could not be read past data row 4; <sic>");
  Request("ImportDone", {{"d", "a"}});
  EXPECT_TRUE(Contains("<!--- START DrawAllRowsTable --->"));
  EXPECT_TRUE(
      Contains("<P CLASS=\"note\">The file could not be read past data row 4; "
               "&lt;sic&gt;</P>"));
  EXPECT_TRUE(Contains("v3.0"));
  EXPECT_TRUE(Contains("http://10.0.0.5/results/Quorax.asp?s=5"));
  EXPECT_FALSE(Contains("WC@"));

  host_.session().SetText("ParseNote", "");
  Request("ImportDone", {{"d", "x"}});
  EXPECT_FALSE(Contains("CLASS=\"note\""));
  EXPECT_TRUE(Contains("This view does not exist."));
}

TEST_F(ImportDoneTest, MissingRunIsAnErrorNotAnEmptyPage) {
  host_.SetTemplate("importdone.htm", "<WC@RESULTS></WC@RESULTS>");
  host_.session().SetText("Last", "ImportCSV_Respond");
  host_.session().SetBool("NoErrors", false);
  host_.NewRequest();
  EXPECT_THROW(Dispatch(app_, host_, "ImportDone"), MissingKey);
}

}  // namespace
}  // namespace quorax
