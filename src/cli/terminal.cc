#include "cli/terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include "cli/exit_status.h"

namespace quorax::cli {

std::string TerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size(); ++at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) continue;
    // U+0080..U+009F are encoded as C2 80..C2 9F.
    if (c == 0xC2 && at + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[at + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        ++at;
        continue;
      }
    }
    out += static_cast<char>(c);
  }
  return out;
}

namespace {

// Owns the terminal's file descriptor and puts its echo back when done.
class QuietTerminal {
 public:
  QuietTerminal() : fd_(open("/dev/tty", O_RDWR | O_CLOEXEC)) {
    if (fd_ < 0 || tcgetattr(fd_, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet_ = tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
  }
  ~QuietTerminal() {
    if (quiet_) tcsetattr(fd_, TCSAFLUSH, &saved_);
    if (fd_ >= 0) close(fd_);
  }
  QuietTerminal(const QuietTerminal&) = delete;
  QuietTerminal& operator=(const QuietTerminal&) = delete;

  bool usable() const { return quiet_; }
  void Write(const std::string& text) const {
    if (write(fd_, text.data(), text.size()) < 0) return;
  }
  // Reads one line without its line end.
  std::string ReadLine() const {
    std::string line;
    char c = 0;
    while (read(fd_, &c, 1) == 1 && c != '\n') line += c;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

 private:
  int fd_;
  termios saved_{};
  bool quiet_ = false;
};

}  // namespace

std::string ReadPassword(const std::string& user) {
  if (const char* from_environment = std::getenv("QUORAX_PASSWORD")) return from_environment;
  QuietTerminal terminal;
  if (!terminal.usable()) {
    throw CliFailure(kBadUsage, "no password: set QUORAX_PASSWORD or run on a terminal");
  }
  terminal.Write("Password for " + user + ": ");
  std::string password = terminal.ReadLine();
  terminal.Write("\n");
  return password;
}

}  // namespace quorax::cli
