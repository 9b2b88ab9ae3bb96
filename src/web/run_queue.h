#ifndef QUORAX_WEB_RUN_QUEUE_H_
#define QUORAX_WEB_RUN_QUEUE_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "contract/page_contract.h"
#include "web/file_run.h"
#include "web/run_stop.h"

namespace quorax {

// The bounds of the server's runs.
struct RunLimits {
  size_t workers = 0;                      // runs carried out at once; 0: DefaultWorkers
  size_t per_login = 2;                    // of them, runs of one login (at least 1)
  std::chrono::seconds longest{6 * 3600};  // a run's wall-clock time from its start
  size_t largest_bytes = contract::kDefaultLargestRunBody;  // a run's file, as sent
};

// The runs of the whole server: at most `workers` carried out at once, each
// on a worker thread of its own, and at most `per_login` of one login (the
// order's user). The others wait; logins take turns, each its runs in the
// order they came. Thread-safe.
class RunQueue {
 public:
  // A run's work: carries out `run`, asking `stop` inside its loops, and
  // leaves it in a final stage.
  using Work = std::function<void(FileRun& run, RunStop& stop)>;

  RunQueue(const RunLimits& limits, Work work);
  // Ends every run: waiting ones are told the server stopped; running ones
  // stop at their next check, and the database calls of those that do not
  // reach one within kStopGrace are abandoned.
  ~RunQueue();
  RunQueue(const RunQueue&) = delete;
  RunQueue& operator=(const RunQueue&) = delete;

  void Submit(std::shared_ptr<FileRun> run);
  // Cancels `run`: one still waiting leaves the queue and is cancelled at
  // once; a running one stops at its next check.
  void Cancel(FileRun& run);
  // The run's place among all waiting runs in the order the turns will take
  // them (1 for the next to start); 0 once it started, or when not queued.
  size_t PlaceOf(const FileRun& run) const;

  // Twice the processor cores, or 2 when they cannot be counted.
  static size_t DefaultWorkers();

  // How long the queue's end waits for running runs before abandoning their
  // database calls.
  static constexpr std::chrono::seconds kStopGrace{2};

 private:
  using Waiting = std::deque<std::shared_ptr<FileRun>>;

  void Serve();
  // The next run the turns allow to start, taken off the queue; null when
  // none may start now. REQUIRES: the lock.
  std::shared_ptr<FileRun> TakeNext();
  // True when TakeNext would find a run. REQUIRES: the lock.
  bool CanStart() const;

  const size_t workers_;
  const size_t per_login_;
  const std::chrono::seconds longest_;
  const Work work_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;            // a run came, ended or the queue ends
  std::map<std::string, Waiting> waiting_;  // by login, never an empty entry
  std::deque<std::string> turns_;           // logins with waiting runs, next turn first
  std::map<std::string, size_t> going_;     // running runs by login, never 0
  std::map<const FileRun*, RunStop*> running_;
  std::atomic<bool> stopping_{false};
  std::vector<std::thread> threads_;  // started as runs come
};

}  // namespace quorax

#endif  // QUORAX_WEB_RUN_QUEUE_H_
