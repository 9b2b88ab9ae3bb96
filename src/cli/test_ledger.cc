#include "cli/test_ledger.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "cli/exit_status.h"

namespace quorax::cli {
namespace {

// A record's fixed part: the offset of the case's test before it (-1: none), the index of its
// file, its result letter and the length of its name, which follows.
struct RecordHead {
  int64_t previous;
  uint32_t file;
  char result;
  uint32_t name_size;
};

[[noreturn]] void Failed() {
  throw CliFailure(kBadUsage, "the temporary file of the run's tests failed");
}

void Write(std::FILE* file, const void* bytes, size_t size) {
  if (size > 0 && std::fwrite(bytes, 1, size, file) != size) Failed();
}

// Reads up to `size` bytes at `offset` without moving the file's position, where the buffered
// writes go on; at least `needed` of them must be there.
size_t Read(std::FILE* file, int64_t offset, char* bytes, size_t size, size_t needed) {
  const ssize_t read = pread(fileno(file), bytes, size, static_cast<off_t>(offset));
  if (read < 0 || static_cast<size_t>(read) < needed) Failed();
  return static_cast<size_t>(read);
}

}  // namespace

TestLedger::TestLedger() : file_(std::tmpfile(), std::fclose) {
  if (!file_) Failed();
}

void TestLedger::Add(const std::string& case_id, const LedgerTest& test) {
  auto file = std::find(files_.begin(), files_.end(), test.file);
  if (file == files_.end()) file = files_.insert(files_.end(), test.file);
  const auto [last, added] = last_.try_emplace(case_id, -1);
  RecordHead head;
  std::memset(&head, 0, sizeof head);  // no byte of the file is left undefined, padding included
  head.previous = last->second;
  head.file = static_cast<uint32_t>(file - files_.begin());
  head.result = test.result.empty() ? 'U' : test.result.front();
  head.name_size = static_cast<uint32_t>(test.name.size());
  Write(file_.get(), &head, sizeof head);
  Write(file_.get(), test.name.data(), test.name.size());
  last->second = size_;
  size_ += static_cast<int64_t>(sizeof head + test.name.size());
}

size_t TestLedger::ForEach(const std::string& case_id,
                           const std::function<void(const LedgerTest&)>& visit) const {
  const auto last = last_.find(case_id);
  if (last == last_.end()) return 0;
  if (std::fflush(file_.get()) != 0) Failed();
  // The records link backwards: their offsets first, then the records in the order filed.
  std::vector<int64_t> offsets;
  for (int64_t at = last->second; at >= 0;) {
    offsets.push_back(at);
    char bytes[sizeof(RecordHead)];
    Read(file_.get(), at, bytes, sizeof bytes, sizeof bytes);
    RecordHead head;
    std::memcpy(&head, bytes, sizeof head);
    at = head.previous;
  }
  // Most records fit in one read: their head and a name of up to a few hundred bytes.
  char bytes[sizeof(RecordHead) + 512];
  LedgerTest test;
  for (auto at = offsets.rbegin(); at != offsets.rend(); ++at) {
    const size_t read = Read(file_.get(), *at, bytes, sizeof bytes, sizeof(RecordHead));
    RecordHead head;
    std::memcpy(&head, bytes, sizeof head);
    test.file = files_.at(head.file);
    test.result = std::string(1, head.result);
    const size_t held = std::min<size_t>(head.name_size, read - sizeof head);
    test.name.assign(bytes + sizeof head, held);
    if (held < head.name_size) {
      test.name.resize(head.name_size);
      Read(file_.get(), *at + static_cast<int64_t>(sizeof head + held), test.name.data() + held,
           head.name_size - held, head.name_size - held);
    }
    visit(test);
  }
  return offsets.size();
}

}  // namespace quorax::cli
