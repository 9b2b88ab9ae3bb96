#ifndef QUORAX_WEB_RUN_DOWNLOAD_H_
#define QUORAX_WEB_RUN_DOWNLOAD_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/spool_file.h"
#include "common/stop_check.h"
#include "web/file_run.h"

namespace quorax {

// A finished run's rows as a CSV file, written to a spool file from the
// kept places of the rows' bytes a piece at a time, so that a run of any
// size takes little memory and no reader runs again: with `all_rows`
// results.csv (the header line plus "Outcome", "Code" and "Reasons", then
// every row as the file holds it with its outcome), else errors.csv (the
// header line and the rows that did not pass, as the tester corrected
// them). Every field is quoted; UTF-8 with a byte-order mark when the run's
// file was UTF-8, else Windows-1252. Asks `stop` between two pieces. Raises
// as FileRun::ReadRows does and what `stop` raises.
std::unique_ptr<SpoolFile> WriteRunDownload(const FileRun& run, bool all_rows,
                                            const StopCheck& stop = {});

// Writes the downloads of finished runs on threads of its own, so that a
// page thread waits a bounded time for one however large: at most
// `workers` are written at once, the others wait in the order asked. A
// download is written once for each time it is taken. Thread-safe.
class RunDownloads {
 public:
  explicit RunDownloads(size_t workers);
  // Stops the downloads being written between two pieces and waits for them.
  ~RunDownloads();
  RunDownloads(const RunDownloads&) = delete;
  RunDownloads& operator=(const RunDownloads&) = delete;

  // The download of `run` (WriteRunDownload's, as its rows now stand) once
  // written, waiting at most `wait` for it; null while it is still being
  // written, which goes on so that a later call takes it. Raises what its
  // writing raised.
  std::shared_ptr<SpoolFile> Take(const std::shared_ptr<FileRun>& run, bool all_rows,
                                  std::chrono::milliseconds wait);

 private:
  struct Job;
  void Serve();

  const size_t workers_;
  std::mutex mutex_;
  std::condition_variable wake_;  // a job waits, or the downloads stop
  std::condition_variable done_;  // a job is written
  std::deque<std::shared_ptr<Job>> waiting_;
  std::vector<std::shared_ptr<Job>> jobs_;  // waiting, being written or written, not yet taken
  std::atomic<bool> stopping_{false};
  std::vector<std::thread> threads_;  // started as jobs come
};

}  // namespace quorax

#endif  // QUORAX_WEB_RUN_DOWNLOAD_H_
