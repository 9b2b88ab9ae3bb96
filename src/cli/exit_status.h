#ifndef QUORAX_CLI_EXIT_STATUS_H_
#define QUORAX_CLI_EXIT_STATUS_H_

#include <stdexcept>
#include <string>

namespace quorax::cli {

// The exit status of the command, one value per kind of ending.
enum ExitStatus : int {
  kAllPassed = 0,      // every row passed
  kRowsRejected = 1,   // at least one row rejected, no database failure
  kBadUsage = 2,       // bad command line or a file that cannot be read
  kSignInRefused = 3,  // the server refused the user name or password
  kServiceFailed = 4,  // the server, the database or the network failed
};

// Ends the command with `status`; what() is the one line shown on stderr.
class CliFailure : public std::runtime_error {
 public:
  CliFailure(ExitStatus status, const std::string& message)
      : std::runtime_error(message), status_(status) {}
  ExitStatus status() const { return status_; }

 private:
  ExitStatus status_;
};

}  // namespace quorax::cli

#endif  // QUORAX_CLI_EXIT_STATUS_H_
