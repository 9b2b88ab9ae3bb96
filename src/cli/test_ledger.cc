#include "cli/test_ledger.h"

#include <algorithm>

#include "cli/exit_status.h"

namespace quorax::cli {
namespace {

// A record's fixed part: the offset of the case's test before it (-1: none), the index of its
// file, its result letter and the length of its name, which follows.
struct RecordHead {
  int64_t previous = -1;
  uint32_t file = 0;
  char result = 'P';
  uint32_t name_size = 0;
};

[[noreturn]] void Failed() {
  throw CliFailure(kBadUsage, "the temporary file of the run's tests failed");
}

void Seek(std::FILE* file, int64_t offset) {
  if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) Failed();
}

void Write(std::FILE* file, const void* bytes, size_t size) {
  if (size > 0 && std::fwrite(bytes, 1, size, file) != size) Failed();
}

void Read(std::FILE* file, void* bytes, size_t size) {
  if (size > 0 && std::fread(bytes, 1, size, file) != size) Failed();
}

}  // namespace

TestLedger::TestLedger() : file_(std::tmpfile(), std::fclose) {
  if (!file_) Failed();
}

void TestLedger::Add(const std::string& case_id, const LedgerTest& test) {
  auto file = std::find(files_.begin(), files_.end(), test.file);
  if (file == files_.end()) file = files_.insert(files_.end(), test.file);
  const auto [last, added] = last_.try_emplace(case_id, -1);
  const RecordHead head{last->second, static_cast<uint32_t>(file - files_.begin()),
                        test.result.empty() ? 'U' : test.result.front(),
                        static_cast<uint32_t>(test.name.size())};
  Seek(file_.get(), size_);
  Write(file_.get(), &head, sizeof head);
  Write(file_.get(), test.name.data(), test.name.size());
  last->second = size_;
  size_ += static_cast<int64_t>(sizeof head + test.name.size());
}

std::vector<LedgerTest> TestLedger::TestsOf(const std::string& case_id) const {
  std::vector<LedgerTest> tests;
  const auto last = last_.find(case_id);
  if (last == last_.end()) return tests;
  if (std::fflush(file_.get()) != 0) Failed();
  for (int64_t at = last->second; at >= 0;) {
    RecordHead head;
    Seek(file_.get(), at);
    Read(file_.get(), &head, sizeof head);
    LedgerTest& test = tests.emplace_back();
    test.file = files_.at(head.file);
    test.result = std::string(1, head.result);
    test.name.resize(head.name_size);
    Read(file_.get(), test.name.data(), head.name_size);
    at = head.previous;
  }
  std::reverse(tests.begin(), tests.end());
  return tests;
}

}  // namespace quorax::cli
