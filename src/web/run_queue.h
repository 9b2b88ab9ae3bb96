#ifndef QUORAX_WEB_RUN_QUEUE_H_
#define QUORAX_WEB_RUN_QUEUE_H_

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "web/file_run.h"

namespace quorax {

// The runs of the whole server: at most a fixed number carried out at once,
// each on a worker thread of its own, the others waiting in the order they
// came. Thread-safe.
class RunQueue {
 public:
  using Work = std::function<void(FileRun& run)>;

  // Carries out each run by `work`, at most `workers` (at least 1) at once.
  RunQueue(size_t workers, Work work);
  // Ends every run: waiting ones are told the server stopped, running ones
  // are cancelled between two pieces and told so too.
  ~RunQueue();
  RunQueue(const RunQueue&) = delete;
  RunQueue& operator=(const RunQueue&) = delete;

  void Submit(std::shared_ptr<FileRun> run);
  // The run's place among those waiting (1 for the next to start); 0 once it started.
  size_t PlaceOf(const FileRun& run) const;

  // Twice the processor cores, or 2 when they cannot be counted.
  static size_t DefaultWorkers();

 private:
  void Serve();

  const size_t workers_;
  const Work work_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::shared_ptr<FileRun>> waiting_;
  std::set<FileRun*> running_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;  // started with the first run
};

}  // namespace quorax

#endif  // QUORAX_WEB_RUN_QUEUE_H_
