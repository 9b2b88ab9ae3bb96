#include "cli/reports.h"

#include <gtest/gtest.h>

#include <string>

namespace quorax::cli {
namespace {

// Four rows, one in each state, with values that need quoting and escaping.
RunResults FourRows() {
  RunResults results;
  results.header = {"TCID", "Notes"};
  results.rows = {
      {1, {"4", "fine"}, RowState::Passed, "0", "Verified successfully."},
      {2, {"999", "say \"hi\""}, RowState::Rejected, "-2", "TestcaseID does not exist."},
      {3, {"5", "<b>&"}, RowState::DatabaseFailure, "-259", "8: lost"},
      {4, {"6\xE9", ""}, RowState::NotProcessed, "", ""},
  };
  return results;
}

TEST(ReportsTest, ErrorsCsvHoldsTheHeaderAndEveryRowThatDidNotPass) {
  EXPECT_EQ(
      CsvRecord(FourRows().header) + ErrorRows(FourRows()),
      "\"TCID\",\"Notes\"\r\n\"999\",\"say \"\"hi\"\"\"\r\n\"5\",\"<b>&\"\r\n\"6\xE9\",\"\"\r\n");
}

TEST(ReportsTest, ReportCsvAddsTheOutcomeColumnsToEveryRow) {
  EXPECT_EQ(ReportHeader(FourRows().header) + ReportRows(FourRows()),
            "\"TCID\",\"Notes\",\"Outcome\",\"Code\",\"Reasons\"\r\n"
            "\"4\",\"fine\",\"ok\",\"0\",\"Verified successfully.\"\r\n"
            "\"999\",\"say \"\"hi\"\"\",\"rejected\",\"-2\",\"TestcaseID does not exist.\"\r\n"
            "\"5\",\"<b>&\",\"database failure\",\"-259\",\"8: lost\"\r\n"
            "\"6\xE9\",\"\",\"not processed\",\"\",\"\"\r\n");
}

TEST(ReportsTest, JUnitIsUtf8CountsEachStateAndEscapesValues) {
  RunResults results = FourRows();
  results.rows[1].values[0] = "a\"<&>'\x01";
  const std::string xml =
      JUnitOpening("testsuite", "quorax verify x.csv", CountsOf(Count(results), 0, false), 1.5) +
      JUnitCases(results, "quorax verify x.csv");
  EXPECT_NE(xml.find("<testsuite name=\"quorax verify x.csv\" tests=\"4\" failures=\"1\" "
                     "errors=\"1\" skipped=\"1\" time=\"1.500\">"),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("name=\"row 1: 4\"/>"), std::string::npos);
  EXPECT_NE(xml.find("name=\"row 2: a&quot;&lt;&amp;&gt;&apos;?\">\n    <failure "
                     "message=\"TestcaseID does not exist.\" type=\"rejected -2\">"),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("<error message=\"8: lost\" type=\"database failure -259\">"),
            std::string::npos);
  EXPECT_NE(xml.find("name=\"row 4: 6\xC3\xA9\">\n    <skipped message=\"not processed\"/>"),
            std::string::npos);
}

TEST(ReportsTest, ConsoleListsTheBadRowsInUtf8AndOneSummaryLine) {
  const RunResults results = FourRows();
  EXPECT_EQ(BadRowLines(results),
            "row 2, test case 999: rejected: TestcaseID does not exist.\n"
            "row 3, test case 5: database failure: 8: lost\n"
            "row 4, test case 6\xC3\xA9: not processed\n");
  EXPECT_EQ(SummaryLine(Count(results), 2.04),
            "4 rows: 1 passed, 1 rejected, 1 database failure, 1 not processed (2.0 s)\n");
}

}  // namespace
}  // namespace quorax::cli
