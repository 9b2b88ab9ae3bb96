#ifndef QUORAX_WEB_KEPT_TESTS_H_
#define QUORAX_WEB_KEPT_TESTS_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/test_ledger.h"
#include "common/spool_file.h"

namespace quorax {

// Some tests of a runner report's row: the first of them, each with its name
// and result (not its file), and how many there are in all.
struct ListedTests {
  std::vector<cli::LedgerTest> listed;
  size_t count = 0;
};

// The first kListed tests of `case_id` in `ledger`, and their count. Raises
// as the ledger does.
ListedTests FirstTests(const cli::TestLedger& ledger, const std::string& case_id);

// The first tests of each row of a runner report and their count, kept in a
// spool file as the report is first read, so that a page lists a row's
// tests in time that does not grow with their number: twelve bytes a row in
// memory. Not thread-safe: its run guards it.
class KeptTests {
 public:
  static constexpr size_t kListed = 10;

  // Where the tests of a row are: read them with ReadTests.
  struct Place {
    std::shared_ptr<const SpoolFile> file;  // null for a row without tests
    uint64_t start = 0;
    uint64_t end = 0;
    size_t count = 0;
  };

  // Keeps `tests` as the next row's. Raises PlatformFailure when they
  // cannot be written.
  void Add(const ListedTests& tests);
  // Of the row `number` (from 1); no place for another.
  Place Of(int32_t number) const;

 private:
  std::shared_ptr<SpoolFile> file_;  // made with the first row
  std::vector<uint64_t> starts_;     // of each row's tests in file_; they end where the next start
  std::vector<uint32_t> counts_;
};

// The first `most` tests at `place`, and their count. Raises PlatformFailure
// when the file can no longer be read.
ListedTests ReadTests(const KeptTests::Place& place, size_t most);

}  // namespace quorax

#endif  // QUORAX_WEB_KEPT_TESTS_H_
