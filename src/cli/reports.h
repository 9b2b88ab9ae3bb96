#ifndef QUORAX_CLI_REPORTS_H_
#define QUORAX_CLI_REPORTS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "cli/results.h"
#include "cli/test_ledger.h"

namespace quorax::cli {

// One CSV record: every field quoted, CR LF ended.
std::string CsvRecord(const std::vector<std::string>& fields);

// Every row of `results` that did not pass, values as uploaded: the rows of
// the bad-row download of the web pages, as Windows-1252 text (the header
// line is CsvRecord of the file's header).
std::string ErrorRows(const RunResults& results);

// The header line of the report: the file's header plus "Outcome", "Code"
// and "Reasons", and "Test result" in a run with runner reports (`test_results`).
std::string ReportHeader(const std::vector<std::string>& header, bool test_results = false);

// Every row of `results` with its outcome: the rows of the web pages'
// results download, each with an empty "Test result" when `test_results`.
std::string ReportRows(const RunResults& results, bool test_results = false);

// A test of a runner report beside its case's row: the row's values and outcome, the column
// "Test" naming `test` as the runner wrote it, and the test's own result last. UTF-8.
std::string TestReportRow(const RunResults& results, const RowResult& row, const LedgerTest& test);

// A test of a runner report without any test case id, as a report row: the
// columns of `header` empty but "Test", then the outcome "unmapped", then
// the test's own `result`. UTF-8.
std::string UnmappedReportRow(const std::vector<std::string>& header, const std::string& test,
                              const std::string& result);

// The counts of a JUnit testsuite or testsuites element.
struct JUnitCounts {
  int32_t tests = 0;
  int32_t failures = 0;
  int32_t errors = 0;
  int32_t skipped = 0;
};
// `tally` and `unmapped` tests: those are failures when `rejected`, else skipped.
JUnitCounts CountsOf(const RowTally& tally, int32_t unmapped, bool rejected);

// The opening tag `element` (testsuite or testsuites) with `counts`, the
// seconds and, when not empty, `name`; UTF-8.
std::string JUnitOpening(const std::string& element, const std::string& name,
                         const JUnitCounts& counts, double seconds);

// One testcase per row ("row N: <test case id>", with its test when the file
// names one) with a failure for a rejected row, an error for a database
// failure, skipped for a row not processed; `class_name` is UTF-8.
std::string JUnitCases(const RunResults& results, const std::string& class_name);

// The testcase of a runner's test beside its case's row, like JUnitCases' testcase of the row
// ("row N: <test case id> (<test>)", classed by the test's file) with the test's own result as
// the property "result".
std::string JUnitTestCase(const RowResult& row, const LedgerTest& test);

// The testcase of an unmapped test: a failure when `rejected`, else skipped.
std::string JUnitUnmapped(const std::string& test, const std::string& class_name, bool rejected);

// One UTF-8 line per row that did not pass ("row N, test case ID: outcome:
// reasons", each after `prefix`); line breaks within a value become spaces
// and other control characters are removed (TerminalText).
std::string BadRowLines(const RunResults& results, const std::string& prefix = "");

// BadRowLines' line of `row`, whose label after the test case id is `tests` (UTF-8): the names of
// the case's tests as TestsLabel gives them. Empty for a passed row.
std::string BadRowLine(const RowResult& row, const std::string& tests, const std::string& prefix);

// The `count` tests of a case in one label: the `first` one's name, and how many more there are.
std::string TestsLabel(const std::string& first, size_t count);

// The UTF-8 line for standard error about the row at which the database
// failed (none when it did not), made one line like BadRowLines.
std::string DatabaseFailureLines(const RunResults& results);

// The tests of a run's runner reports: those with a test case id and those without.
struct TestCounts {
  int32_t mapped = 0;
  int32_t unmapped = 0;
};

// The summary line: rows, passed, rejected, database failure, not processed,
// the tests, mapped and unmapped, when `tests` is set, and seconds.
std::string SummaryLine(const RowTally& tally, double seconds, const TestCounts* tests = nullptr);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_REPORTS_H_
