#ifndef QUORAX_CLI_TEST_LEDGER_H_
#define QUORAX_CLI_TEST_LEDGER_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/spool_file.h"

namespace quorax::cli {

// One test of a runner report as the local outputs show it.
struct LedgerTest {
  std::string file;    // the report it comes from
  std::string name;    // its full name as the runner wrote it, UTF-8 (the ledger keeps kNameBytes)
  std::string result;  // its own result: "P", "F" or "U"
};

// The tests of a run's runner reports filed under the case ids they map to, so that each case's
// row can be shown with every one of its tests. The tests wait in a spool file, each linked to
// the one before it of the same case: memory grows with the cases and files, not with the tests.
// The file may hold 1 MiB plus 4 times the bytes of the reports allowed for (AllowFor). Raises
// CliFailure (kBadUsage) when the spool file cannot be made, written or read, or would pass that
// budget.
class TestLedger {
 public:
  // The bytes of a test's name the ledger keeps; a longer name is cut (at a character's start).
  static constexpr size_t kNameBytes = 1024;

  TestLedger();

  // Grows the budget by 4 times the size of the report `file` (nothing for a file it cannot size).
  void AllowFor(const std::string& file);

  // Files `test` under `case_id`.
  void Add(const std::string& case_id, const LedgerTest& test);

  // Calls `visit` with each test filed under `case_id`, in the order they were added, and returns
  // how many there were (0 for another id). Holds one test at a time, and an offset for each.
  size_t ForEach(const std::string& case_id,
                 const std::function<void(const LedgerTest&)>& visit) const;

 private:
  // Moves `pending_` to the spool file.
  void Flush() const;

  mutable SpoolFile spool_;
  mutable std::string pending_;          // records written but not yet in spool_
  std::map<std::string, int64_t> last_;  // case id -> offset of its last test's record
  std::vector<std::string> files_;       // the reports named so far; records hold an index
  uint64_t size_ = 0;                    // bytes written
  uint64_t budget_;                      // the bytes size_ may reach
};

}  // namespace quorax::cli

#endif  // QUORAX_CLI_TEST_LEDGER_H_
