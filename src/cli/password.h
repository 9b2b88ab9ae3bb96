#ifndef QUORAX_CLI_PASSWORD_H_
#define QUORAX_CLI_PASSWORD_H_

#include <string>

namespace quorax::cli {

// The password: $QUORAX_PASSWORD when set, else asked on the terminal
// without echo. Raises CliFailure (kBadUsage) when neither gives one.
std::string ReadPassword(const std::string& user);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_PASSWORD_H_
