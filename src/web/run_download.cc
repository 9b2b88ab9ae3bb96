#include "web/run_download.h"

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/windows1252.h"
#include "outcomes/outcome_name.h"
#include "rows/csv_writer.h"
#include "upload/upload_text.h"
#include "web/run_words.h"

namespace quorax {

namespace {

// The rows of a group written out, then the text converted and appended.
// The bad rows (errors.csv) are written as the tester corrected them, to be
// sent again; every row (results.csv) as the file holds it.
class DownloadWriter {
 public:
  DownloadWriter(const FileRun& run, bool all_rows, SpoolFile& file)
      : run_(run),
        all_rows_(all_rows),
        file_(file),
        corrections_(all_rows ? FileRun::RowCells() : run.Corrections()),
        utf8_(run.Encoding() == kUtf8Encoding) {}

  void Rows(const RowTable& rows, std::span<const int32_t> numbers) {
    if (!header_written_) WriteHeader(rows);
    const std::vector<FileRun::Row> outcomes = run_.RowsAt(numbers);
    for (size_t index = 0; index < outcomes.size(); ++index) {
      const FileRun::Row& outcome = outcomes[index];
      if (!all_rows_ && outcome.state == RowState::Passed) continue;
      const auto row = static_cast<int32_t>(index);
      const auto corrected = corrections_.find(outcome.number);
      if (corrected == corrections_.end()) {
        AppendCsvCells(text_, rows, row);
      } else {
        for (int32_t col = 0; col < rows.Columns(); ++col) {
          AppendCsvField(text_, corrected->second.at(static_cast<size_t>(col)), col == 0);
        }
      }
      if (all_rows_) {
        const bool sent = outcome.state != RowState::NotProcessed;
        AppendCsvField(text_, OutcomeName(outcome.state), rows.Columns() == 0);
        AppendCsvField(text_, sent ? std::to_string(outcome.code) : "", false);
        AppendCsvField(text_, outcome.reasons, false);
      }
      text_ += kCsvLineEnd;
    }
    Flush();
  }

 private:
  void WriteHeader(const RowTable& rows) {
    if (utf8_) file_.Append(kUtf8ByteOrderMark);
    for (int32_t col = 0; col < rows.Columns(); ++col) {
      AppendCsvField(text_, HeaderName(rows.ColumnName(col)), col == 0);
    }
    if (all_rows_) {
      for (const char* name : {"Outcome", "Code", "Reasons"}) {
        AppendCsvField(text_, name, text_.empty());
      }
    }
    text_ += kCsvLineEnd;
    header_written_ = true;
  }

  void Flush() {
    file_.Append(utf8_ ? Utf8FromWindows1252(text_) : text_);
    text_.clear();
  }

  const FileRun& run_;
  const bool all_rows_;
  SpoolFile& file_;
  const FileRun::RowCells corrections_;
  const bool utf8_;
  std::string text_;
  bool header_written_ = false;
};

}  // namespace

std::unique_ptr<SpoolFile> WriteRunDownload(const FileRun& run, bool all_rows,
                                            const StopCheck& stop) {
  auto file = std::make_unique<SpoolFile>();
  DownloadWriter writer(run, all_rows, *file);
  std::vector<int32_t> numbers;
  if (all_rows) {
    numbers.resize(static_cast<size_t>(run.Snapshot().total));
    for (size_t i = 0; i < numbers.size(); ++i) numbers[i] = static_cast<int32_t>(i + 1);
  } else {
    numbers = run.BadRowNumbers();
  }
  run.ReadRows(numbers, [&](const RowTable& rows, std::span<const int32_t> group) {
    AskToStop(stop);
    writer.Rows(rows, group);
  });
  return file;
}

// One download asked for: of which run, as its rows stood, and once written
// its file or what its writing raised.
struct RunDownloads::Job {
  Job(const std::shared_ptr<FileRun>& of, bool all, uint64_t as_of)
      : identity(of.get()), run(of), all_rows(all), stamp(as_of) {}

  const FileRun* identity;  // compared only while `run` lives
  std::weak_ptr<FileRun> run;
  bool all_rows;
  uint64_t stamp;  // the run's FixStamp when asked
  bool done = false;
  std::shared_ptr<SpoolFile> file;
  std::exception_ptr failure;
};

RunDownloads::RunDownloads(size_t workers) : workers_(std::max<size_t>(workers, 1)) {}

RunDownloads::~RunDownloads() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

std::shared_ptr<SpoolFile> RunDownloads::Take(const std::shared_ptr<FileRun>& run, bool all_rows,
                                              std::chrono::milliseconds wait) {
  const uint64_t stamp = run->FixStamp();
  std::unique_lock lock(mutex_);
  // The jobs of runs gone, and of this download as the rows stood before,
  // are let go: nobody will take them.
  const auto stale = [&](const std::shared_ptr<Job>& job) {
    return job->run.expired() ||
           (job->identity == run.get() && job->all_rows == all_rows && job->stamp != stamp);
  };
  std::erase_if(jobs_, stale);
  std::erase_if(waiting_, stale);
  auto found = std::find_if(jobs_.begin(), jobs_.end(), [&](const std::shared_ptr<Job>& job) {
    return job->identity == run.get() && job->all_rows == all_rows;
  });
  std::shared_ptr<Job> job;
  if (found != jobs_.end()) {
    job = *found;
  } else {
    job = std::make_shared<Job>(run, all_rows, stamp);
    jobs_.push_back(job);
    waiting_.push_back(job);
    if (threads_.size() < workers_) threads_.emplace_back([this] { Serve(); });
    wake_.notify_one();
  }
  if (!done_.wait_for(lock, wait, [&] { return job->done; })) return nullptr;
  std::erase(jobs_, job);
  if (job->failure) std::rethrow_exception(job->failure);
  return job->file;
}

void RunDownloads::Serve() {
  const StopCheck stop = [this] {
    if (stopping_) throw Stopped("The server is stopping; the download was not written.");
  };
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
    if (stopping_) return;
    const std::shared_ptr<Job> job = std::move(waiting_.front());
    waiting_.pop_front();
    lock.unlock();
    try {
      if (const std::shared_ptr<FileRun> run = job->run.lock()) {
        job->file = WriteRunDownload(*run, job->all_rows, stop);
      }
    } catch (...) {
      job->failure = std::current_exception();
    }
    lock.lock();
    job->done = true;
    done_.notify_all();
  }
}

}  // namespace quorax
