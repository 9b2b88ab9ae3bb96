#include "web/file_run.h"

#include <algorithm>
#include <atomic>

#include "contract/page_contract.h"

namespace quorax {

namespace {

std::string JoinedReasons(int16_t code, const std::string& extra) {
  CSVRowError outcome;
  outcome.ErrorNumber = code;
  outcome.ExtraInfo = extra;
  std::string text;
  for (const std::string& reason : outcome.Reasons()) text += (text.empty() ? "" : "; ") + reason;
  return text;
}

// The bytes of a group of rows read at once: a piece's, so that every group
// is read exactly as the rows were when the file was first read.
constexpr size_t kGroupBytes = contract::kLargestUploadBody;

uint64_t NextFixStamp() {
  static std::atomic<uint64_t> last{0};
  return ++last;
}

}  // namespace

FileRun::FileRun(RunOrder order, RowCells corrections)
    : order_(std::move(order)), corrections_(std::move(corrections)), fix_stamp_(NextFixStamp()) {}

std::optional<int16_t> FileRun::CodeAt(size_t index) const {
  if (index < codes_.size()) return codes_[index];
  const auto late = late_codes_.find(static_cast<int32_t>(index + 1));
  if (late != late_codes_.end()) return late->second;
  return std::nullopt;
}

void FileRun::SetStage(Stage stage) {
  std::lock_guard lock(mutex_);
  if (stage == Stage::kSending) sending_since_ = Clock::now();
  // Once the file is checked its rows keep their first tests themselves.
  if (stage != Stage::kQueued && stage != Stage::kReading) ledger_.reset();
  stage_ = stage;
}

void FileRun::Fail(Stage stage, std::string message) {
  std::lock_guard lock(mutex_);
  ledger_.reset();
  stage_ = stage;
  message_ = std::move(message);
}

void FileRun::Texts::Add(std::string_view text) {
  texts_.append(text);
  ends_.push_back(static_cast<uint32_t>(texts_.size()));
}

std::string FileRun::Texts::At(size_t index) const {
  const uint32_t start = index == 0 ? 0 : ends_[index - 1];
  return texts_.substr(start, ends_[index] - start);
}

void FileRun::KeepRows(const cli::Piece& piece, const cli::FileShape& shape) {
  std::lock_guard lock(mutex_);
  // A report's rows are made in memory: they are copied to a file of their own.
  if (kept_ == nullptr) kept_ = std::make_unique<KeptRows>(report_ ? nullptr : order_.file);
  kept_->Add(piece, shape);
}

void FileRun::AddRow(std::string_view name, std::string_view case_id) {
  std::shared_ptr<const cli::TestLedger> ledger;
  {
    std::lock_guard lock(mutex_);
    ledger = ledger_;
  }
  // The ledger is walked once here, without the lock, so that no page waits
  // for it and none walks it again.
  const ListedTests tests = ledger ? FirstTests(*ledger, std::string(case_id)) : ListedTests();
  std::lock_guard lock(mutex_);
  names_.Add(name);
  if (report_) tests_.Add(tests);
}

void FileRun::SetReport(std::vector<Unmapped> unmapped, int32_t mapped,
                        std::unique_ptr<cli::TestLedger> ledger) {
  std::lock_guard lock(mutex_);
  report_ = true;
  ledger_ = std::move(ledger);
  unmapped_ = std::move(unmapped);
  mapped_ = mapped;
}

FileRun::RowTests FileRun::TestsOf(int32_t number, size_t most) const {
  KeptTests::Place place;
  {
    std::lock_guard lock(mutex_);
    if (!report_) return {};
    place = tests_.Of(number);
  }
  return ReadTests(place, most);
}

void FileRun::Record(const CSVRowErrors& outcomes) {
  std::lock_guard lock(mutex_);
  for (int32_t i = 1; i <= outcomes.Count(); ++i) {
    const std::shared_ptr<CSVRowError> outcome = outcomes.Errors(i);
    codes_.push_back(outcome->ErrorNumber);
    if (StateOfCode(outcome->ErrorNumber) != RowState::Passed) {
      extra_[static_cast<int32_t>(codes_.size())] = outcome->ExtraInfo;
    }
  }
}

FileRun::Progress FileRun::Snapshot() const {
  std::lock_guard lock(mutex_);
  Progress progress;
  progress.stage = stage_;
  progress.total = static_cast<int32_t>(names_.size());
  progress.done = static_cast<int32_t>(codes_.size());
  progress.message = message_;
  if (stage_ == Stage::kSending && progress.done > 0) {
    const double seconds = std::chrono::duration<double>(Clock::now() - sending_since_).count();
    progress.rows_per_second = seconds > 0 ? progress.done / seconds : 0;
    if (progress.rows_per_second > 0) {
      progress.seconds_left = (progress.total - progress.done) / progress.rows_per_second;
    }
  }
  return progress;
}

bool FileRun::Finished() const {
  std::lock_guard lock(mutex_);
  return IsFinalStage(stage_);
}

RowTally FileRun::Tally() const {
  std::lock_guard lock(mutex_);
  RowTally tally;
  for (size_t index = 0; index < names_.size(); ++index) {
    const std::optional<int16_t> code = CodeAt(index);
    tally.Add(code ? StateOfCode(*code) : RowState::NotProcessed);
  }
  return tally;
}

FileRun::Row FileRun::RowAt(int32_t number) const {
  const auto index = static_cast<size_t>(number - 1);
  Row row;
  row.number = number;
  row.name = names_.At(index);
  if (const std::optional<int16_t> code = CodeAt(index)) {
    row.code = *code;
    row.state = StateOfCode(row.code);
  }
  const auto extra = extra_.find(number);
  if (extra != extra_.end() && row.state != RowState::Passed) {
    row.extra = extra->second;
    row.reasons = JoinedReasons(row.code, row.extra);
  }
  return row;
}

std::vector<FileRun::Row> FileRun::Rows(int32_t first, int32_t count) const {
  std::lock_guard lock(mutex_);
  std::vector<Row> rows;
  const auto total = static_cast<int32_t>(names_.size());
  for (int32_t number = std::max(first, 1); number <= total && count > 0; ++number, --count) {
    rows.push_back(RowAt(number));
  }
  return rows;
}

std::vector<FileRun::Row> FileRun::RowsAt(std::span<const int32_t> numbers) const {
  std::lock_guard lock(mutex_);
  std::vector<Row> rows;
  rows.reserve(numbers.size());
  for (const int32_t number : numbers) {
    if (number >= 1 && static_cast<size_t>(number) <= names_.size()) rows.push_back(RowAt(number));
  }
  return rows;
}

void FileRun::ReadRows(std::span<const int32_t> numbers, const TakeRows& take) const {
  size_t done = 0;
  do {
    RowPlaces places;
    {
      std::lock_guard lock(mutex_);
      if (kept_ == nullptr || kept_->size() == 0) return;
      kept_->Places(numbers.subspan(done), kGroupBytes, places);
    }
    const std::span<const int32_t> group = numbers.subspan(done, places.spans.size());
    // The bytes are read without the lock: a row's bytes never change once kept.
    const std::unique_ptr<CSV> table = ReadPlaces(places, group.empty() ? 1 : group.front());
    take(table->Rows(), group);
    done += group.size();
  } while (done < numbers.size());
}

std::vector<int32_t> FileRun::BadRowNumbers() const {
  std::lock_guard lock(mutex_);
  std::vector<int32_t> numbers;
  for (size_t index = 0; index < names_.size(); ++index) {
    const std::optional<int16_t> code = CodeAt(index);
    if (!code || StateOfCode(*code) != RowState::Passed) {
      numbers.push_back(static_cast<int32_t>(index + 1));
    }
  }
  return numbers;
}

bool FileRun::IsReport() const {
  std::lock_guard lock(mutex_);
  return report_;
}

std::vector<FileRun::Unmapped> FileRun::UnmappedTests() const {
  std::lock_guard lock(mutex_);
  return unmapped_;
}

void FileRun::SetEncoding(std::string encoding) {
  std::lock_guard lock(mutex_);
  encoding_ = std::move(encoding);
}

std::string FileRun::Encoding() const {
  std::lock_guard lock(mutex_);
  return encoding_;
}

int32_t FileRun::MappedTests() const {
  std::lock_guard lock(mutex_);
  return mapped_;
}

uint64_t FileRun::FixStamp() const {
  std::lock_guard lock(mutex_);
  return fix_stamp_;
}

FileRun::RowCells FileRun::Corrections() const {
  std::lock_guard lock(mutex_);
  return corrections_;
}

void FileRun::Rejudge(const RowCells& cells, const std::vector<Judged>& judged) {
  std::lock_guard lock(mutex_);
  for (const auto& [number, row_cells] : cells) corrections_[number] = row_cells;
  for (const Judged& row : judged) {
    const auto index = static_cast<size_t>(row.number - 1);
    if (index < codes_.size()) {
      codes_[index] = row.code;
    } else {
      late_codes_[row.number] = row.code;
    }
    extra_[row.number] = row.extra;
  }
  fix_stamp_ = NextFixStamp();
}

}  // namespace quorax
