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
#include "cli/sources.h"
#include "cli/test_ledger.h"

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
  // the file's name before each console line. `ledger` holds the tests of
  // the run's runner reports; none when it has none.
  RunOutputs(const Options& options, const std::string& encoding, bool several_files,
             const TestLedger* ledger, std::ostream& out);

  // Starts the rows of `file`, whose header line reads `header` (Windows-1252),
  // a runner's report when `report`. The first file's header heads the CSV files.
  void BeginFile(const std::string& file, const std::vector<std::string>& header, bool report);
  // Writes the rows of one piece of the current file. A report's row is
  // shown with each test of its case (the ledger's), each with its own
  // result and its name as the runner wrote it, in the report, JSON Lines
  // and JUnit files; the console and the errors file show the row.
  void Add(const RunResults& piece);
  // Writes the tests of the current file that map to no test case.
  void AddUnmapped(const std::vector<UnmappedTest>& tests);
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
  // One JSON line: a test (or a CSV file's row) with its own `result` (empty: none) and its
  // case's row (none: unmapped).
  void WriteJson(const std::string& file, const std::string& test, const std::string& result,
                 const std::string& test_case, const RowResult* row, const std::string& outcome);
  // Writes `row` of a runner report beside each of its case's tests.
  void AddReportRow(const RunResults& piece, const RowResult& row);
  // Writes the JSON line of `row` of a CSV file: its test, when it names one, and its result.
  void AddFileRow(const RunResults& piece, const RowResult& row);
  // Writes one JUnit testcase that `state` decides.
  void PutCase(const std::string& xml, RowState state);

  const Options& options_;
  const bool utf8_;
  const bool several_files_;
  std::ostream& out_;
  std::ofstream errors_, report_, json_;
  TempFile cases_{nullptr, std::fclose};   // the current file's testcases
  TempFile suites_{nullptr, std::fclose};  // the finished files' testsuites
  std::vector<std::string> header_;        // the first file's
  const TestLedger* ledger_;
  std::string file_;
  bool report_file_ = false;
  RowTally tally_;                   // rows
  RowTally file_cases_, all_cases_;  // JUnit testcases that rows decide: the file's, the run's
  int32_t unmapped_ = 0, file_unmapped_ = 0;
};

}  // namespace quorax::cli

#endif  // QUORAX_CLI_RUN_OUTPUTS_H_
