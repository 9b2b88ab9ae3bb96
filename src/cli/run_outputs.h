#ifndef QUORAX_CLI_RUN_OUTPUTS_H_
#define QUORAX_CLI_RUN_OUTPUTS_H_

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/results.h"

namespace quorax::cli {

// The outputs of a run, written as its rows come in: the console lines and
// the errors, report, JSON Lines and JUnit files `options` asks for. No row
// is kept once written; JUnit's testcases wait in temporary files until
// their counts are known. Raises CliFailure (kBadUsage) for a file that
// cannot be written.
class RunOutputs {
 public:
  // Creates the files. CSV files are written in `encoding` (their rows as
  // the server reads them, Windows-1252, converted); `several_files` puts
  // the file's name before each console line.
  RunOutputs(const Options& options, const std::string& encoding, bool several_files,
             std::ostream& out);

  // Starts the rows of `file`, whose header line reads `header` (Windows-1252).
  // The first file's header heads the CSV files.
  void BeginFile(const std::string& file, const std::vector<std::string>& header);
  // Writes the rows of one piece of the current file.
  void Add(const RunResults& piece);
  // Writes the tests of the current file that map to no test case.
  void AddUnmapped(const std::vector<std::string>& tests);
  // Ends the current file, which took `seconds`.
  void EndFile(double seconds);
  // Completes the files; the run took `seconds`.
  void Finish(double seconds);

  const RowTally& tally() const { return tally_; }
  int32_t unmapped() const { return unmapped_; }

 private:
  using TempFile = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
  // Writes `text` (Windows-1252) to `file` in the CSV files' encoding.
  void WriteCsv(std::ofstream& file, const std::string& text) const;
  void WriteJson(const std::string& test, const std::string& test_case, const RowResult* row,
                 const std::string& outcome);

  const Options& options_;
  const bool utf8_;
  const bool several_files_;
  std::ostream& out_;
  std::ofstream errors_, report_, json_;
  TempFile cases_{nullptr, std::fclose};   // the current file's testcases
  TempFile suites_{nullptr, std::fclose};  // the finished files' testsuites
  std::vector<std::string> header_;        // the first file's
  std::string file_;
  RowTally tally_, file_tally_;
  int32_t unmapped_ = 0, file_unmapped_ = 0;
};

}  // namespace quorax::cli

#endif  // QUORAX_CLI_RUN_OUTPUTS_H_
