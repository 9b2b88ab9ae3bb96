#ifndef QUORAX_CLI_OPTIONS_H_
#define QUORAX_CLI_OPTIONS_H_

#include <string>
#include <vector>

#include "cli/http_session.h"

namespace quorax::cli {

enum class Command { Verify, Import, Convert };

// What the command line asks for.
struct Options {
  Command command = Command::Verify;
  bool import = false;             // "import" records rows; "verify" only checks them
  std::vector<std::string> files;  // CSV files and runner reports, in order
  std::string url;                 // the host page address, http:// or https://
  std::string user;
  std::string errors_path;  // each path is empty when not asked for
  std::string report_path;
  std::string junit_path;
  std::string json_path;
  std::string out_path;  // convert's CSV file
  std::string ca_file;
  int timeout = static_cast<int>(kDefaultExchangeTimeout.count());  // seconds per request
  bool quiet = false;
  // How runner reports become rows.
  std::string format = "auto";
  std::string version, platform, browser, tester, date;
  std::string case_pattern, case_map;
  bool reject_unmapped = false;
  std::vector<std::string> wrapped;  // the command after "--", run first; empty when none
};

// The text to print instead of running when `args` ask for --help (or -h) or
// --version (the usage is generated from the one table of the options);
// empty otherwise.
std::string HelpOrVersion(const std::vector<std::string>& args);

// Reads `args` (without the program name): the command, the files, then
// "--name value" or "--name=value" options in any order, and last "--"
// followed by a command to run first. Values of the run's fields may come
// from the environment. Raises CliFailure (kBadUsage) for an unknown command
// or option, a missing value or file, or verify and import without --url or
// --user, or convert without --out.
Options ParseOptions(const std::vector<std::string>& args);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_OPTIONS_H_
