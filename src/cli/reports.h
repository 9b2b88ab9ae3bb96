#ifndef QUORAX_CLI_REPORTS_H_
#define QUORAX_CLI_REPORTS_H_

#include <string>

#include "cli/results.h"

namespace quorax::cli {

// The header line and every row that did not pass, values as uploaded, every
// field quoted, CR LF ended: the bad-row download of the web pages, as
// Windows-1252 text (EncodeDownload gives it the file's encoding).
std::string ErrorsCsv(const RunResults& results);

// The header line plus "Outcome", "Code" and "Reasons", then every row with
// its outcome: the results download of the web pages, for the whole file.
std::string ReportCsv(const RunResults& results);

// A JUnit XML report: one testsuite named `suite_name` taking `seconds`, one
// testcase per row ("row N: <test case id>") with a failure for a rejected
// row, an error for a database failure, skipped for a row not processed.
// The document is UTF-8, like `suite_name` (a file name from the command line).
std::string JUnitXml(const RunResults& results, const std::string& suite_name, double seconds);

// One UTF-8 line per row that did not pass ("row N, test case ID: outcome:
// reasons"); line breaks within a value become spaces and other control
// characters are removed (TerminalText).
std::string BadRowLines(const RunResults& results);

// The UTF-8 line for standard error about the row at which the database
// failed (none when it did not), made one line like BadRowLines.
std::string DatabaseFailureLines(const RunResults& results);

// The summary line: rows, passed, rejected, database failure, not processed
// and seconds.
std::string SummaryLine(const RowTally& tally, double seconds);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_REPORTS_H_
