#ifndef QUORAX_CLI_TEST_LEDGER_H_
#define QUORAX_CLI_TEST_LEDGER_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quorax::cli {

// One test of a runner report as the local outputs show it.
struct LedgerTest {
  std::string file;    // the report it comes from
  std::string name;    // its full name as the runner wrote it, UTF-8
  std::string result;  // its own result: "P", "F" or "U"
};

// The tests of a run's runner reports filed under the case ids they map to, so that each case's
// row can be shown with every one of its tests. The tests wait in a temporary file, each linked to
// the one before it of the same case: memory grows with the cases and files, not with the tests.
// Raises CliFailure (kBadUsage) when the temporary file cannot be made, written or read.
class TestLedger {
 public:
  TestLedger();

  // Files `test` under `case_id`.
  void Add(const std::string& case_id, const LedgerTest& test);

  // Calls `visit` with each test filed under `case_id`, in the order they were added, and returns
  // how many there were (0 for another id). Holds one test at a time, and an offset for each.
  size_t ForEach(const std::string& case_id,
                 const std::function<void(const LedgerTest&)>& visit) const;

 private:
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
  std::map<std::string, int64_t> last_;  // case id -> offset of its last test's record
  std::vector<std::string> files_;       // the reports named so far; records hold an index
  int64_t size_ = 0;                     // bytes written
};

}  // namespace quorax::cli

#endif  // QUORAX_CLI_TEST_LEDGER_H_
