#ifndef QUORAX_CLI_TERMINAL_H_
#define QUORAX_CLI_TERMINAL_H_

#include <string>
#include <string_view>

namespace quorax::cli {

// `text` (UTF-8) without the control characters a terminal would act on: C0
// controls other than tab and line feed (so carriage return and escape go),
// DEL, and the C1 controls U+0080 to U+009F. Every other byte stays, invalid
// UTF-8 included, so nothing a server sends can move the cursor or recolour,
// retitle or rewrite the terminal.
std::string TerminalText(std::string_view text);

// The password: $QUORAX_PASSWORD when set, else asked on the terminal
// without echo. Raises CliFailure (kBadUsage) when neither gives one.
std::string ReadPassword(const std::string& user);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_TERMINAL_H_
