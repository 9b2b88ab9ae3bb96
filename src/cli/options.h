#ifndef QUORAX_CLI_OPTIONS_H_
#define QUORAX_CLI_OPTIONS_H_

#include <string>
#include <vector>

namespace quorax::cli {

// What the command line asks for.
struct Options {
  bool import = false;  // "import" records rows; "verify" only checks them
  std::string file;
  std::string url;  // the host page address, http:// or https://
  std::string user;
  std::string errors_path;  // each path is empty when not asked for
  std::string report_path;
  std::string junit_path;
  std::string ca_file;
  bool quiet = false;
};

// The text to print instead of running when `args` ask for --help (or -h) or
// --version (the usage is generated from the one table of the options);
// empty otherwise.
std::string HelpOrVersion(const std::vector<std::string>& args);

// Reads `args` (without the program name): the command, the file, then
// "--name value" or "--name=value" options in any order. Raises CliFailure
// (kBadUsage) for an unknown command or option, a missing value or file, or
// a missing --url or --user.
Options ParseOptions(const std::vector<std::string>& args);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_OPTIONS_H_
