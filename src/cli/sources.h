#ifndef QUORAX_CLI_SOURCES_H_
#define QUORAX_CLI_SOURCES_H_

#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/test_ledger.h"
#include "common/stop_check.h"

namespace quorax::cli {

// A test of a runner report that maps to no test case, with its own result ("P", "F" or "U").
struct UnmappedTest {
  std::string name;
  std::string result;
};

// One input of a run, read as CSV from its start: a CSV file as it is, or a
// test runner's report converted to rows (with its column "Test").
struct Source {
  std::string name;
  std::unique_ptr<std::istream> csv;
  std::vector<UnmappedTest> unmapped;  // a report's tests without a test case id, in order
  int32_t mapped = 0;                  // a report's tests with a test case id
  size_t rows = 0;                     // a report's rows: the cases that first appear in it
  bool report = false;                 // a runner's report rather than a CSV file
};

// Every file of `options`, in order, each in the format --format names or
// its content shows. The runner reports are read a slice at a time into one
// row per test case for the whole run, each row with the first report in
// which its case appears; their tests are filed in `ledger` when it is set.
// Warnings go to `err`: notes made to fit, and each report without tests in
// a run of several files, which is left out. Raises CliFailure (kBadUsage)
// for a file that cannot be read, a malformed report or one without tests
// (every one, with several), and a report without the run's fields it needs.
std::vector<Source> OpenSources(const Options& options, std::ostream& err, TestLedger* ledger,
                                const StopCheck& stop = {});

// Converts the runner reports of `options` into the CSV file --out names,
// listing unmapped tests on `err` and a summary on `out`. Returns kRowsRejected
// when --unmapped reject finds unmapped tests, else kAllPassed. Raises
// CliFailure (kBadUsage) like OpenSources, and for a CSV file.
int ConvertReports(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_SOURCES_H_
