#include "cli/test_ledger.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "cli/exit_status.h"
#include "common/errors.h"
#include "runners/runner_report.h"

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

// The ledger's file starts with this much room; each report adds 4 times its size.
constexpr uint64_t kBaseBudget = 1 << 20;

// Records are gathered this far before they go to the file in one write.
constexpr size_t kPendingBytes = 64 * 1024;

[[noreturn]] void Failed(const std::string& why) {
  throw CliFailure(kBadUsage, "the temporary file of the run's tests failed: " + why);
}

// Why the file failed, in words right for the command line as for the server: a full spool's
// own message is advice for a browser's tester.
[[noreturn]] void Failed(const PlatformFailure& failure) {
  Failed(dynamic_cast<const SpoolFull*>(&failure) != nullptr ? "no room is left for it"
                                                             : failure.what());
}

SpoolFile NewSpool() {
  try {
    return SpoolFile();
  } catch (const PlatformFailure& e) {
    Failed(e);
  }
}

}  // namespace

TestLedger::TestLedger() : spool_(NewSpool()), budget_(kBaseBudget) {}

void TestLedger::AllowFor(const std::string& file) {
  std::error_code error;
  const uintmax_t bytes = std::filesystem::file_size(file, error);
  if (!error) budget_ += 4 * static_cast<uint64_t>(bytes);
}

void TestLedger::Add(const std::string& case_id, const LedgerTest& test) {
  const std::string_view name = runners::CutText(test.name, kNameBytes);
  if (size_ + sizeof(RecordHead) + name.size() > budget_) {
    throw CliFailure(kBadUsage, "the reports' tests would take more than " +
                                    std::to_string((budget_ + (1 << 20) - 1) >> 20) +
                                    " MiB on disk, the budget of the run's tests (1 MiB plus 4 "
                                    "times the reports' size); a test maps to too many cases");
  }
  auto file = std::find(files_.begin(), files_.end(), test.file);
  if (file == files_.end()) file = files_.insert(files_.end(), test.file);
  const auto [last, added] = last_.try_emplace(case_id, -1);
  RecordHead head;
  std::memset(&head, 0, sizeof head);  // no byte of the file is left undefined, padding included
  head.previous = last->second;
  head.file = static_cast<uint32_t>(file - files_.begin());
  head.result = test.result.empty() ? 'U' : test.result.front();
  head.name_size = static_cast<uint32_t>(name.size());
  pending_.append(reinterpret_cast<const char*>(&head), sizeof head);
  pending_.append(name);
  last->second = static_cast<int64_t>(size_);
  size_ += sizeof head + name.size();
  if (pending_.size() >= kPendingBytes) Flush();
}

void TestLedger::Flush() const {
  try {
    spool_.Append(pending_);
  } catch (const PlatformFailure& e) {
    Failed(e);
  }
  pending_.clear();
}

size_t TestLedger::ForEach(const std::string& case_id,
                           const std::function<void(const LedgerTest&)>& visit) const {
  const auto last = last_.find(case_id);
  if (last == last_.end()) return 0;
  if (!pending_.empty()) Flush();
  // Reads exactly `size` bytes at `offset`.
  const auto read = [&](int64_t offset, char* bytes, size_t size) {
    try {
      if (spool_.ReadAt(static_cast<uint64_t>(offset), bytes, size) == size) return;
    } catch (const PlatformFailure& e) {
      Failed(e);
    }
    Failed("a record is cut short");
  };
  // The records link backwards: their offsets first, then the records in the order filed.
  std::vector<int64_t> offsets;
  for (int64_t at = last->second; at >= 0;) {
    offsets.push_back(at);
    RecordHead head;
    read(at, reinterpret_cast<char*>(&head), sizeof head);
    at = head.previous;
  }
  LedgerTest test;
  for (auto at = offsets.rbegin(); at != offsets.rend(); ++at) {
    RecordHead head;
    read(*at, reinterpret_cast<char*>(&head), sizeof head);
    test.file = files_.at(head.file);
    test.result = std::string(1, head.result);
    test.name.resize(head.name_size);
    read(*at + static_cast<int64_t>(sizeof head), test.name.data(), head.name_size);
    visit(test);
  }
  return offsets.size();
}

}  // namespace quorax::cli
