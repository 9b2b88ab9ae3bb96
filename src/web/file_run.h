#ifndef QUORAX_WEB_FILE_RUN_H_
#define QUORAX_WEB_FILE_RUN_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/spool_file.h"
#include "outcomes/csv_row_errors.h"
#include "outcomes/row_state.h"

namespace quorax {

// What a tester asked for when sending a file as a run.
struct RunOrder {
  bool import = false;
  std::string file_name;            // as the browser named it
  std::unique_ptr<SpoolFile> file;  // the file's bytes
  // The run's fields a runner report's rows need, and its case-id pattern.
  std::string version, platform, browser, tester, date, case_pattern;
  std::string user, password, dsn;  // the database sign-in of the session
};

// One file sent from a browser as a run: read by the command line's readers
// and sent to the database a piece at a time by a worker (RunQueue), while
// the session's pages read its progress and results. Thread-safe. Its spool
// file goes with it: when the session replaces or loses the run.
class FileRun {
 public:
  enum class Stage { kQueued, kReading, kSending, kDone, kCancelled, kFailed, kServerStopped };

  // A test of a runner report that maps to no test case.
  struct Unmapped {
    std::string name;
    std::string result;
  };

  // One data row of the file as the results show it.
  struct Row {
    int32_t number = 0;  // the file's own data-row number, from 1
    std::string name;    // the test of a report's row, else the row's test case id
    RowState state = RowState::NotProcessed;
    int16_t code = 0;     // of a row sent
    std::string reasons;  // of a row that did not pass, joined by "; "
  };

  // What the progress page shows.
  struct Progress {
    Stage stage = Stage::kQueued;
    int32_t total = 0;  // data rows in the file, once read
    int32_t done = 0;   // rows sent and judged
    double rows_per_second = 0;
    double seconds_left = 0;
    std::string message;  // why a failed run stopped
  };

  explicit FileRun(RunOrder order) : order_(std::move(order)) {}

  const RunOrder& order() const { return order_; }

  // The worker's side.
  void SetStage(Stage stage);
  void Fail(Stage stage, std::string message);
  // Records the name of the file's next data row, while the file is checked.
  void AddRow(std::string_view name);
  void SetReport(std::vector<Unmapped> unmapped, int32_t mapped);
  // The file's encoding (upload/upload_text.h), once its shape is read.
  void SetEncoding(std::string encoding);
  // Records the outcomes of a piece of rows sent, in file order.
  void Record(const CSVRowErrors& outcomes);
  bool CancelAsked() const { return cancel_; }

  // The pages' side.
  void Cancel() { cancel_ = true; }
  Progress Snapshot() const;
  bool Finished() const;
  RowTally Tally() const;
  // Rows `first` (from 1) on, at most `count` of them.
  std::vector<Row> Rows(int32_t first, int32_t count) const;
  // The numbers of the rows that did not pass, sent or not, in file order.
  std::vector<int32_t> BadRowNumbers() const;
  bool IsReport() const;
  std::vector<Unmapped> UnmappedTests() const;
  int32_t MappedTests() const;
  std::string Encoding() const;

 private:
  using Clock = std::chrono::steady_clock;

  const RunOrder order_;
  std::atomic<bool> cancel_{false};
  mutable std::mutex mutex_;
  Stage stage_ = Stage::kQueued;
  std::string message_;
  Clock::time_point sending_since_{};
  std::string names_;                       // every row's name, one after another
  std::vector<uint32_t> name_ends_;         // where each row's name ends in names_
  std::vector<int16_t> codes_;              // of the rows judged, in file order
  std::map<int32_t, std::string> reasons_;  // of the rows that did not pass
  bool report_ = false;
  std::vector<Unmapped> unmapped_;
  int32_t mapped_ = 0;
  std::string encoding_;
};

// True once a run in `stage` has ended, however it ended.
constexpr bool IsFinalStage(FileRun::Stage stage) {
  return stage != FileRun::Stage::kQueued && stage != FileRun::Stage::kReading &&
         stage != FileRun::Stage::kSending;
}

// The session's hold on its run (session value "FileRun"): when the session
// lets it go, because a new run replaces it or the session ends, a run still
// going is cancelled; the run and its spool file go once its worker lets go too.
struct HeldRun {
  explicit HeldRun(std::shared_ptr<FileRun> held) : run(std::move(held)) {}
  ~HeldRun() { run->Cancel(); }
  HeldRun(const HeldRun&) = delete;
  HeldRun& operator=(const HeldRun&) = delete;

  const std::shared_ptr<FileRun> run;
};

}  // namespace quorax

#endif  // QUORAX_WEB_FILE_RUN_H_
