#ifndef QUORAX_CLI_SOURCES_H_
#define QUORAX_CLI_SOURCES_H_

#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/options.h"

namespace quorax::cli {

// One input of a run, read as CSV from its start: a CSV file as it is, or a
// test runner's report converted to rows (with its column "Test").
struct Source {
  std::string name;
  std::unique_ptr<std::istream> csv;
  std::vector<std::string> unmapped;  // a report's tests without a test case id, in order
  bool report = false;                // a runner's report rather than a CSV file
};

// Every file of `options`, in order, each in the format --format names or
// its content shows. A runner's report is read whole and mapped a slice at
// a time into chunks of CSV text; a warning about notes made to fit goes to
// `err`. Raises CliFailure (kBadUsage) for a file that cannot be read, a
// malformed report or one without tests, and a report without the run's
// fields it needs.
std::vector<Source> OpenSources(const Options& options, std::ostream& err);

// Converts the runner reports of `options` into the CSV file --out names,
// listing unmapped tests on `err` and a summary on `out`. Returns kRowsRejected
// when --unmapped reject finds unmapped tests, else kAllPassed. Raises
// CliFailure (kBadUsage) like OpenSources, and for a CSV file.
int ConvertReports(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_SOURCES_H_
