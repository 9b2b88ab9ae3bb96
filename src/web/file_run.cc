#include "web/file_run.h"

#include <algorithm>

namespace quorax {

namespace {

std::string JoinedReasons(const CSVRowError& outcome) {
  std::string text;
  for (const std::string& reason : outcome.Reasons()) text += (text.empty() ? "" : "; ") + reason;
  return text;
}

}  // namespace

void FileRun::SetStage(Stage stage) {
  std::lock_guard lock(mutex_);
  if (stage == Stage::kSending) sending_since_ = Clock::now();
  stage_ = stage;
}

void FileRun::Fail(Stage stage, std::string message) {
  std::lock_guard lock(mutex_);
  stage_ = stage;
  message_ = std::move(message);
}

void FileRun::AddRow(std::string_view name) {
  std::lock_guard lock(mutex_);
  names_.append(name);
  name_ends_.push_back(static_cast<uint32_t>(names_.size()));
}

void FileRun::SetReport(std::vector<Unmapped> unmapped, int32_t mapped) {
  std::lock_guard lock(mutex_);
  report_ = true;
  unmapped_ = std::move(unmapped);
  mapped_ = mapped;
}

void FileRun::Record(const CSVRowErrors& outcomes) {
  std::lock_guard lock(mutex_);
  for (int32_t i = 1; i <= outcomes.Count(); ++i) {
    const std::shared_ptr<CSVRowError> outcome = outcomes.Errors(i);
    codes_.push_back(outcome->ErrorNumber);
    if (StateOfCode(outcome->ErrorNumber) != RowState::Passed) {
      reasons_[static_cast<int32_t>(codes_.size())] = JoinedReasons(*outcome);
    }
  }
}

FileRun::Progress FileRun::Snapshot() const {
  std::lock_guard lock(mutex_);
  Progress progress;
  progress.stage = stage_;
  progress.total = static_cast<int32_t>(name_ends_.size());
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
  for (const int16_t code : codes_) tally.Add(StateOfCode(code));
  for (size_t row = codes_.size(); row < name_ends_.size(); ++row) {
    tally.Add(RowState::NotProcessed);
  }
  return tally;
}

std::vector<FileRun::Row> FileRun::Rows(int32_t first, int32_t count) const {
  std::lock_guard lock(mutex_);
  std::vector<Row> rows;
  const auto total = static_cast<int32_t>(name_ends_.size());
  for (int32_t number = std::max(first, 1); number <= total && count > 0; ++number, --count) {
    const auto index = static_cast<size_t>(number - 1);
    const uint32_t start = index == 0 ? 0 : name_ends_[index - 1];
    Row row;
    row.number = number;
    row.name = names_.substr(start, name_ends_[index] - start);
    if (index < codes_.size()) {
      row.code = codes_[index];
      row.state = StateOfCode(row.code);
    }
    const auto reasons = reasons_.find(number);
    if (reasons != reasons_.end()) row.reasons = reasons->second;
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<int32_t> FileRun::BadRowNumbers() const {
  std::lock_guard lock(mutex_);
  std::vector<int32_t> numbers;
  for (size_t index = 0; index < name_ends_.size(); ++index) {
    if (index >= codes_.size() || StateOfCode(codes_[index]) != RowState::Passed) {
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

}  // namespace quorax
