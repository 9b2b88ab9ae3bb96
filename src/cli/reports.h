#ifndef QUORAX_CLI_REPORTS_H_
#define QUORAX_CLI_REPORTS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "cli/results.h"

namespace quorax::cli {

// One CSV record: every field quoted, CR LF ended.
std::string CsvRecord(const std::vector<std::string>& fields);

// Every row of `results` that did not pass, values as uploaded: the rows of
// the bad-row download of the web pages, as Windows-1252 text (the header
// line is CsvRecord of the file's header).
std::string ErrorRows(const RunResults& results);

// The header line of the report: the file's header plus "Outcome", "Code"
// and "Reasons".
std::string ReportHeader(const std::vector<std::string>& header);

// Every row of `results` with its outcome: the rows of the web pages'
// results download.
std::string ReportRows(const RunResults& results);

// A test of a runner report without any test case id, as a report row: the
// columns of `header` empty but "Test", then the outcome "unmapped". UTF-8.
std::string UnmappedReportRow(const std::vector<std::string>& header, const std::string& test);

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

// The testcase of an unmapped test: a failure when `rejected`, else skipped.
std::string JUnitUnmapped(const std::string& test, const std::string& class_name, bool rejected);

// One UTF-8 line per row that did not pass ("row N, test case ID: outcome:
// reasons", each after `prefix`); line breaks within a value become spaces
// and other control characters are removed (TerminalText).
std::string BadRowLines(const RunResults& results, const std::string& prefix = "");

// The UTF-8 line for standard error about the row at which the database
// failed (none when it did not), made one line like BadRowLines.
std::string DatabaseFailureLines(const RunResults& results);

// The summary line: rows, passed, rejected, database failure, not processed,
// unmapped tests when `unmapped` is set, and seconds.
std::string SummaryLine(const RowTally& tally, double seconds, const int32_t* unmapped = nullptr);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_REPORTS_H_
