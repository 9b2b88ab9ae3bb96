#include "cli/wrapped_command.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace quorax::cli {

std::optional<int> RunWrapped(const std::vector<std::string>& command, std::ostream& out,
                              std::ostream& err) {
  if (command.empty()) return std::nullopt;
  out.flush();
  err.flush();
  std::vector<std::string> words = command;
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  if (const int failed = posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ)) {
    err << "quorax: cannot run \"" << command.front() << "\": " << std::strerror(failed) << "\n";
    return 127;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return 127;
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

}  // namespace quorax::cli
