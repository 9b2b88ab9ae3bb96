#include "web/export_results.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/reports.h"
#include "cli/results.h"
#include "web/results_summary.h"

namespace quorax {
namespace {

// One outcome as the page's summary, results.csv and, through it, the
// command line's summary and JUnit report tell it: the same state and the
// same reasons everywhere.
TEST(OutcomeReportsTest, EachOutcomeReadsTheSameInEveryReport) {
  const struct {
    int16_t code;
    const char* extra;
    const char* csv_tail;  // Outcome, Code and Reasons of results.csv
    const char* summary;   // the counts of the page's and the console's summary
    const char* junit;     // the testcase's end in the JUnit report
  } cases[] = {
      {0, "Verified successfully.", "\"ok\",\"0\",\"Verified successfully.\"",
       "1 passed, 0 rejected, 0 database failure", "\"row 1: 7\"/>"},
      {3, "Verified successfully.", "\"ok\",\"3\",\"Verified successfully.\"",
       "1 passed, 0 rejected, 0 database failure", "\"row 1: 7\"/>"},
      {-3, "",
       "\"rejected\",\"-3\",\"Missing parameter or NULL passed in a required field.; "
       "TestcaseID does not exist.\"",
       "0 passed, 1 rejected, 0 database failure", "type=\"rejected -3\">Missing parameter"},
      {-259, "80004005:deadlock detected",
       "\"database failure\",\"-259\","
       "\"80004005:deadlock detected\"",
       "0 passed, 0 rejected, 1 database failure",
       "<error message=\"80004005:deadlock detected\" type=\"database failure -259\">"},
  };
  for (const auto& c : cases) {
    CSV table;
    ASSERT_EQ(table.ProcessCSV("TCID,Notes\r\n7,n\r\n"), 0);
    CSVRowErrors outcomes;
    outcomes.Add(1, c.code);
    outcomes.Item(1)->ExtraInfo = c.extra;
    const std::string download = ExportResultsText(table.Rows(), outcomes);
    EXPECT_NE(download.find(std::string("\"7\",\"n\",") + c.csv_tail + "\r\n"), std::string::npos)
        << c.code << "\n"
        << download;
    EXPECT_NE(DrawRunSummary(table.Rows(), outcomes).find(c.summary), std::string::npos) << c.code;

    cli::RunResults results;
    cli::AddPiece(table, 1, download, results);
    EXPECT_NE(cli::SummaryLine(cli::Count(results), 0).find(c.summary), std::string::npos)
        << c.code;
    const std::string xml = cli::JUnitCases(results, "suite");
    EXPECT_NE(xml.find(c.junit), std::string::npos) << c.code << "\n" << xml;
  }
}

// A download holding more rows than the piece sent comes from a broken server.
TEST(OutcomeReportsTest, ADownloadOfMoreRowsThanSentIsABrokenServers) {
  CSV table;
  ASSERT_EQ(table.ProcessCSV("TCID,Notes\r\n7,n\r\n"), 0);
  cli::RunResults results;
  try {
    cli::AddPiece(table, 1, "TCID,Notes,Outcome,Code,Reasons\r\n7,n,ok,0,a\r\n8,n,ok,0,b\r\n",
                  results);
    ADD_FAILURE() << "accepted";
  } catch (const cli::CliFailure& e) {
    EXPECT_EQ(e.status(), cli::kServiceFailed);
    EXPECT_NE(std::string(e.what()).find("holds 2 rows, but only 1 were sent"), std::string::npos)
        << e.what();
  }
}

}  // namespace
}  // namespace quorax
