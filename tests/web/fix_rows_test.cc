#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web/export_results.h"
#include "web/results_fixture.h"
#include "web/results_session.h"
#include "web/run_corrections.h"

namespace quorax {
namespace {

// Row 1 passed, row 2 was rejected with markup in its notes, row 3 met a
// database failure; nine columns, as the database takes them.
constexpr char kRun[] =
    "TCID,Date,Version,Platform,Browser,Result,Tester,PR,Notes\r\n"
    "1,2020-01-01,2.0,Linux,Chrome,P,alice,,ok\r\n"
    "2,2020-01-01,2.0,Linux,Chrome,X,alice,,<b>bad</b>\r\n"
    "3,2020-01-01,2.0,Linux,Chrome,P,alice,,gone\r\n";

class FixRowsTest : public ResultsFixture {
 protected:
  FixRowsTest() {
    StoreRun(kRun, {{0, "Verified successfully."}, {-32, ""}, {-259, "server gone"}});
    host_.session().SetText("Last", "ImportDone_Respond");
  }

  std::string Stamp() { return std::to_string(CorrectionsFor(host_.session()).Stamp()); }

  // Posts the cells of row `row` with Notes `notes` (the other cells as the
  // run has them) as the fix view's form does.
  void PostRow(const std::string& rows, int32_t row, const std::string& notes,
               const std::string& stamp) {
    const auto table = RunTable(host_.session());
    host_.NewRequest();
    host_.Form("run", stamp);
    host_.Form("rows", rows);
    for (int32_t col = 0; col < table->Columns(); ++col) {
      host_.Form("r" + std::to_string(row) + "c" + std::to_string(col),
                 col == 8 ? notes : std::string(table->Cell(row - 1, col)));
    }
    ASSERT_TRUE(Dispatch(app_, host_, "RecheckRows"));
  }
};

TEST_F(FixRowsTest, ViewOffersEveryCellOfEachBadRowAsANamedEscapedTextBox) {
  Request("FixRows");
  EXPECT_TRUE(Contains("aria-label=\"Notes of row 2\""));
  EXPECT_TRUE(Contains("value=\"&lt;b&gt;bad&lt;/b&gt;\""));
  EXPECT_TRUE(Contains("aria-label=\"TCID of row 3\""));
  EXPECT_FALSE(Contains("of row 1\""));
  EXPECT_TRUE(Contains("name=\"rows\" value=\"2 3\""));
  EXPECT_TRUE(Contains(">Verify again</button>"));
  EXPECT_EQ(host_.SessionText("Last"), "ImportDone_Respond");
}

// Every refusal happens before the database is asked and leaves the run,
// its corrections and "Last" as they were.
TEST_F(FixRowsTest, RefusesFormsItCannotTakeAndChangesNothing) {
  struct Case {
    const char* what;
    const char* rows;
    int32_t row;
    const char* notes;
    bool stale_run;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"row past the run", "4", 2, "x", false, "There is no row 4 in this run"},
      {"row zero", "0", 2, "x", false, "There is no row 0 in this run"},
      {"no number", "2x", 2, "x", false, "&quot;2x&quot; is not a row number"},
      {"passed row changed", "1", 1, "changed", false, "Row 1 has passed since"},
      {"control byte", "2", 2, "a\tb", false, "Notes of row 2 holds a character"},
      {"numeric reference", "2", 2, "Za&#380;", false, "Notes of row 2 holds a character"},
      {"form of another run", "2", 2, "x", true, "shown for an earlier upload"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PostRow(c.rows, c.row, c.notes, c.stale_run ? "0" : Stamp());
    EXPECT_EQ(host_.Status(), 400u);
    EXPECT_TRUE(Contains(c.message)) << host_.Output();
    EXPECT_TRUE(Contains("Back to the bad rows"));
    EXPECT_EQ(host_.SessionText("Last"), "ImportDone_Respond");
    EXPECT_FALSE(CorrectionsFor(host_.session()).AnyCorrected());
  }
}

TEST_F(FixRowsTest, OutOfOrderRequestsGoBackToTheStartPage) {
  for (const char* item : {"FixRows", "RecheckRows", "ImportRows"}) {
    SCOPED_TRACE(item);
    host_.session().SetText("Last", "SubmitCSV_Respond");
    Request(item);
    EXPECT_EQ(host_.RedirectedTo(), "http://10.0.0.5/results/Quorax.asp");
    EXPECT_EQ(host_.SessionText("Last"), "SubmitCSV_Respond");
  }
}

// Corrections show in the views and errors.csv; results.csv keeps the cells
// as uploaded beside them.
TEST_F(FixRowsTest, CorrectedCellsShowEverywhereAndResultsKeepTheUploadedOnes) {
  RunCorrections& corrections = CorrectionsFor(host_.session());
  std::vector<std::string> row2 = {"2", "2020-01-01", "2.0", "Linux", "Chrome",
                                   "P", "alice",      "",    "fixed"};
  EXPECT_EQ(corrections.Changed({{2, row2}}), std::vector<int32_t>{2});
  corrections.Apply({{2, row2}});
  EXPECT_TRUE(corrections.Changed({{2, row2}}).empty());

  EXPECT_NE(View("b").find("<TD VALIGN=\"TOP\">fixed</TD>"), std::string::npos);
  const std::string results = ExportResultsText(
      *RunTable(host_.session()), *RunOutcomes(host_.session()), &corrections.Uploaded());
  EXPECT_NE(results.find("\"Notes as uploaded\""), std::string::npos);
  EXPECT_NE(results.find("\"fixed\",\"rejected\",\"-32\",\"Invalid result (not 'P', 'F' or "
                         "'U').\",\"2\",\"2020-01-01\",\"2.0\",\"Linux\",\"Chrome\",\"X\""),
            std::string::npos);

  corrections.Apply(
      {{2, {"2", "2020-01-01", "2.0", "Linux", "Chrome", "X", "alice", "", "<b>bad</b>"}}});
  EXPECT_FALSE(corrections.AnyCorrected());
}

}  // namespace
}  // namespace quorax
