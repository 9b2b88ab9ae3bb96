#include "web/kept_tests.h"

#include <cstring>
#include <fstream>

#include "common/errors.h"

namespace quorax {

namespace {

// A test's record in the file: its result letter, the size of its name as
// four bytes, then its name.
constexpr size_t kRecordHead = 1 + sizeof(uint32_t);

[[noreturn]] void Unreadable() {
  throw PlatformFailure("the tests kept of the run can no longer be read");
}

}  // namespace

ListedTests FirstTests(const cli::TestLedger& ledger, const std::string& case_id) {
  ListedTests tests;
  tests.count = ledger.ForEach(case_id, [&](const cli::LedgerTest& test) {
    if (tests.listed.size() < KeptTests::kListed)
      tests.listed.push_back({"", test.name, test.result});
  });
  return tests;
}

void KeptTests::Add(const ListedTests& tests) {
  if (file_ == nullptr) file_ = std::make_shared<SpoolFile>();
  starts_.push_back(file_->size());
  counts_.push_back(static_cast<uint32_t>(tests.count));
  std::string records;
  for (const cli::LedgerTest& test : tests.listed) {
    const auto size = static_cast<uint32_t>(test.name.size());
    records += test.result.empty() ? 'U' : test.result.front();
    records.append(reinterpret_cast<const char*>(&size), sizeof size);
    records += test.name;
  }
  file_->Append(records);
}

KeptTests::Place KeptTests::Of(int32_t number) const {
  if (number < 1 || static_cast<size_t>(number) > starts_.size()) return {};
  const auto index = static_cast<size_t>(number - 1);
  const uint64_t end = index + 1 < starts_.size() ? starts_[index + 1] : file_->size();
  return {file_, starts_[index], end, counts_[index]};
}

ListedTests ReadTests(const KeptTests::Place& place, size_t most) {
  ListedTests tests;
  tests.count = place.count;
  if (place.file == nullptr || place.end == place.start || most == 0) return tests;
  std::ifstream file(place.file->path(), std::ios::binary);
  std::string bytes(place.end - place.start, '\0');
  file.seekg(static_cast<std::streamoff>(place.start));
  if (!file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) Unreadable();
  for (size_t at = 0; at + kRecordHead <= bytes.size() && tests.listed.size() < most;) {
    uint32_t size = 0;
    std::memcpy(&size, bytes.data() + at + 1, sizeof size);
    if (at + kRecordHead + size > bytes.size()) Unreadable();
    tests.listed.push_back({"", bytes.substr(at + kRecordHead, size), std::string(1, bytes[at])});
    at += kRecordHead + size;
  }
  return tests;
}

}  // namespace quorax
