#include "cli/wrapped_command.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

#include "cli/exit_status.h"

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

FileStamps::FileStamps(const std::vector<std::string>& files)
    : start_(std::filesystem::file_time_type::clock::now()) {
  for (const std::string& file : files) before_.push_back(StampOf(file));
}

FileStamps::Stamp FileStamps::StampOf(const std::string& file) {
  std::error_code error;
  const std::filesystem::file_time_type changed = std::filesystem::last_write_time(file, error);
  if (error) return {file, std::nullopt, 0};
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  return {file, changed, error ? 0 : size};
}

std::vector<std::string> FileStamps::Written(std::ostream& err) const {
  std::vector<std::string> written;
  std::string left_out;  // why each other file is left out
  for (const Stamp& before : before_) {
    const Stamp now = StampOf(before.file);
    // A file changed twice within the file system's clock tick keeps its time, so a change
    // of time or size since the stamp counts as much as a time after it.
    if (now.changed && (!before.changed || *now.changed != *before.changed ||
                        now.size != before.size || *now.changed >= start_)) {
      written.push_back(now.file);
      continue;
    }
    left_out += (left_out.empty() ? "" : "; ") + now.file +
                (now.changed ? " was not changed by the command" : " is missing");
  }
  if (written.empty()) throw CliFailure(kBadUsage, "no new report was written: " + left_out);
  if (!left_out.empty())
    err << "quorax: left out, not written by the command: " << left_out << "\n";
  return written;
}

}  // namespace quorax::cli
