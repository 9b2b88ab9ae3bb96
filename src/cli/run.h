#ifndef QUORAX_CLI_RUN_H_
#define QUORAX_CLI_RUN_H_

#include <ostream>
#include <string>
#include <vector>

namespace quorax::cli {

// Runs the command line `args` (without the program name): runs the wrapped
// test command, if any, and keeps only the files it wrote; then checks or
// imports the files piece by piece, writing the reports asked for and
// printing the rows that did not pass as they come and the summary on `out`,
// every failure as one line on `err` and, when `show_progress`, a progress
// line on `err` (or converts runner reports). Returns the exit status, the
// wrapped command's when it failed and the run did not end with a refused
// sign-in or a failed server (3 or 4).
int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool show_progress);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_RUN_H_
