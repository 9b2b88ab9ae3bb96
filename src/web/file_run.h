#ifndef QUORAX_WEB_FILE_RUN_H_
#define QUORAX_WEB_FILE_RUN_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/file_text.h"
#include "cli/pieces.h"
#include "cli/test_ledger.h"
#include "common/spool_file.h"
#include "outcomes/csv_row_errors.h"
#include "outcomes/row_state.h"
#include "rows/row_table.h"
#include "web/kept_rows.h"
#include "web/kept_tests.h"

namespace quorax {

// What a tester asked for when sending a file as a run.
struct RunOrder {
  bool import = false;
  std::string file_name;                  // as the browser named it
  std::shared_ptr<const SpoolFile> file;  // the file's bytes, shared by the runs made of it
  // The run's fields a runner report's rows need, and its case-id pattern.
  std::string version, platform, browser, tester, date, case_pattern;
  std::string user, password, dsn;  // the database sign-in of the session
};

// One file sent from a browser as a run: read by the command line's readers
// and sent to the database a piece at a time by a worker (RunQueue), while
// the session's pages read its progress and results. What the pages need is
// kept as the file is first read (each row's place in the CSV text, a
// report's first tests of each row), so that a page reads only the bytes of
// its own rows. Thread-safe. Its spool files go with it: when the session
// replaces or loses the run.
class FileRun {
 public:
  enum class Stage { kQueued, kReading, kSending, kDone, kCancelled, kFailed, kServerStopped };

  // A test of a runner report that maps to no test case.
  struct Unmapped {
    std::string name;
    std::string result;
  };

  // The tests of one row of a runner report: the first of them and how
  // many there are in all.
  using RowTests = ListedTests;

  // One data row of the file as the results show it.
  struct Row {
    int32_t number = 0;  // the file's own data-row number, from 1
    std::string name;    // the test of a report's row, else the row's test case id
    RowState state = RowState::NotProcessed;
    int16_t code = 0;     // of a row sent
    std::string extra;    // of a row that did not pass: the database's text (CSVRowError)
    std::string reasons;  // of a row that did not pass, joined by "; "
  };

  // Corrected cells of data rows, by row number (from 1).
  using RowCells = std::map<int32_t, std::vector<std::string>>;

  // What the progress page shows.
  struct Progress {
    Stage stage = Stage::kQueued;
    int32_t total = 0;  // data rows in the file, once read
    int32_t done = 0;   // rows sent and judged
    double rows_per_second = 0;
    double seconds_left = 0;
    std::string message;  // why a failed run stopped
  };

  // A run of `order`'s file whose rows `corrections` replace.
  explicit FileRun(RunOrder order, RowCells corrections = {});

  const RunOrder& order() const { return order_; }

  // The worker's side.
  void SetStage(Stage stage);
  void Fail(Stage stage, std::string message);
  // Keeps the place of each data row of `piece`, the file's next piece, cut
  // from a file of `shape`, while the file is checked. Raises
  // PlatformFailure when a report's rows cannot be copied.
  void KeepRows(const cli::Piece& piece, const cli::FileShape& shape);
  // Records the name of the file's next data row and, for a report, its
  // test case id's first tests and their count, while the file is checked.
  void AddRow(std::string_view name, std::string_view case_id);
  // Marks the run as a runner report's, whose tests `ledger` holds by case
  // id until the file has been checked.
  void SetReport(std::vector<Unmapped> unmapped, int32_t mapped,
                 std::unique_ptr<cli::TestLedger> ledger);
  // The file's encoding (upload/upload_text.h), once its shape is read.
  void SetEncoding(std::string encoding);
  // Records the outcomes of a piece of rows sent, in file order.
  void Record(const CSVRowErrors& outcomes);
  bool CancelAsked() const { return cancel_; }
  // Fails the run because the database refused its sign-in: the session's
  // pages then end the session, as for a page's refused connection.
  void FailAccess(std::string message) {
    access_refused_ = true;
    Fail(Stage::kFailed, std::move(message));
  }
  bool AccessRefused() const { return access_refused_; }

  // The pages' side.
  void Cancel() { cancel_ = true; }
  Progress Snapshot() const;
  bool Finished() const;
  RowTally Tally() const;
  // Rows `first` (from 1) on, at most `count` of them.
  std::vector<Row> Rows(int32_t first, int32_t count) const;
  // The rows `numbers` (from 1) that the file has, in that order.
  std::vector<Row> RowsAt(std::span<const int32_t> numbers) const;
  // Reads the data rows `numbers` (each 1..Snapshot().total) from the kept
  // places of their bytes, as many at a time as fit in a piece, and hands
  // each such group to `take` as read (under the file's header) with its
  // numbers; once with no rows for no `numbers` when the file has rows.
  // Raises PlatformFailure when the file can no longer be read, and what
  // `take` raises.
  using TakeRows = std::function<void(const RowTable& rows, std::span<const int32_t> numbers)>;
  void ReadRows(std::span<const int32_t> numbers, const TakeRows& take) const;
  // The numbers of the rows that did not pass, sent or not, in file order.
  std::vector<int32_t> BadRowNumbers() const;
  bool IsReport() const;
  std::vector<Unmapped> UnmappedTests() const;
  // The tests of a runner report's data row `number` (from 1), the first
  // `most` (at most KeptTests::kListed) listed; none for a CSV file's run.
  // Reads only those. Raises PlatformFailure when they can no longer be read.
  RowTests TestsOf(int32_t number, size_t most) const;
  int32_t MappedTests() const;
  std::string Encoding() const;

  // The fix view's side. A stamp that names the rows' outcomes as they now
  // stand, unique in the server's lifetime: it changes whenever rows are
  // judged again, so that a form shown before is refused, never applied to
  // rows it did not show.
  uint64_t FixStamp() const;
  // The rows' cells as the tester corrected them.
  RowCells Corrections() const;
  // A row's new outcome.
  struct Judged {
    int32_t number = 0;  // from 1
    int16_t code = 0;
    std::string extra;  // CSVRowError::ExtraInfo
  };
  // Takes `cells` as the corrected cells of their rows and `judged` as the
  // new outcomes of theirs.
  void Rejudge(const RowCells& cells, const std::vector<Judged>& judged);

 private:
  using Clock = std::chrono::steady_clock;

  // The code of the row at `index` (from 0) once judged. REQUIRES: the lock.
  std::optional<int16_t> CodeAt(size_t index) const;
  // Row `number` (from 1) as the results show it. REQUIRES: the lock, a
  // number of a row of the file.
  Row RowAt(int32_t number) const;

  const RunOrder order_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> access_refused_{false};  // FailAccess ended the run
  mutable std::mutex mutex_;
  Stage stage_ = Stage::kQueued;
  std::string message_;
  Clock::time_point sending_since_{};
  // Texts of every row, one after another, without a string object each.
  class Texts {
   public:
    void Add(std::string_view text);
    std::string At(size_t index) const;
    size_t size() const { return ends_.size(); }

   private:
    std::string texts_;
    std::vector<uint32_t> ends_;  // where each text ends in texts_
  };

  Texts names_;
  std::unique_ptr<KeptRows> kept_;         // made with the first piece
  KeptTests tests_;                        // of a report's rows
  std::vector<int16_t> codes_;             // of the rows judged by the run, in file order
  std::map<int32_t, int16_t> late_codes_;  // of rows after those, judged in the fix view
  std::map<int32_t, std::string> extra_;   // of the rows that did not pass
  RowCells corrections_;
  uint64_t fix_stamp_;
  bool report_ = false;
  // Written whole before the run is marked; let go once the file is checked.
  std::shared_ptr<const cli::TestLedger> ledger_;
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
