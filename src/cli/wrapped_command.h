#ifndef QUORAX_CLI_WRAPPED_COMMAND_H_
#define QUORAX_CLI_WRAPPED_COMMAND_H_

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quorax::cli {

// Runs `command` (a program found on PATH, then its arguments) with this
// process's standard streams, `out` and `err` flushed first, and waits for
// it. Returns its exit status (128 plus the signal that ended it; 127 when
// it cannot be started, said on `err`), or none for an empty `command`.
std::optional<int> RunWrapped(const std::vector<std::string>& command, std::ostream& out,
                              std::ostream& err);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_WRAPPED_COMMAND_H_
