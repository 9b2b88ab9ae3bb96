#ifndef QUORAX_CLI_WRAPPED_COMMAND_H_
#define QUORAX_CLI_WRAPPED_COMMAND_H_

#include <cstdint>
#include <filesystem>
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

// What the files of a run looked like just before the wrapped command ran, to tell which of them
// it wrote: a file it did not create or change holds an earlier run's results.
class FileStamps {
 public:
  // Notes the time now and each file's last change and size.
  explicit FileStamps(const std::vector<std::string>& files);

  // The files written since the stamps were taken (created; changed in time or size; last
  // changed at or after that moment), in order. Warns on `err` of each other one when some
  // were written; raises CliFailure (kBadUsage) saying that no new report was written when none
  // was.
  std::vector<std::string> Written(std::ostream& err) const;

 private:
  struct Stamp {
    std::string file;
    std::optional<std::filesystem::file_time_type> changed;  // none: missing
    std::uintmax_t size = 0;
  };
  static Stamp StampOf(const std::string& file);

  std::filesystem::file_time_type start_;
  std::vector<Stamp> before_;
};

}  // namespace quorax::cli

#endif  // QUORAX_CLI_WRAPPED_COMMAND_H_
