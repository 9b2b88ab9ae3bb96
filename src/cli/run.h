#ifndef QUORAX_CLI_RUN_H_
#define QUORAX_CLI_RUN_H_

#include <ostream>
#include <string>
#include <vector>

namespace quorax::cli {

// Runs the command line `args` (without the program name): checks or imports
// the file piece by piece, writes the reports asked for, prints the rows that
// did not pass and the summary on `out`, every failure as one line on `err`
// and, when `show_progress`, a progress line on `err`. Returns the exit status.
int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool show_progress);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_RUN_H_
