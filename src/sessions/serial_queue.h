#ifndef QUORAX_SESSIONS_SERIAL_QUEUE_H_
#define QUORAX_SESSIONS_SERIAL_QUEUE_H_

#include <functional>
#include <list>
#include <memory>
#include <mutex>

namespace quorax {

// Runs jobs one at a time, in the order posted, on an executor that may run
// many jobs in parallel. No job occupies an executor thread while it waits
// for its turn: a queue hands the executor at most one job at a time.
class SerialQueue : public std::enable_shared_from_this<SerialQueue> {
 public:
  using Job = std::function<void()>;
  // Runs the job it is given, now or later, on any thread.
  using Executor = std::function<void(Job)>;

  explicit SerialQueue(Executor executor) : executor_(std::move(executor)) {}
  SerialQueue(const SerialQueue&) = delete;
  SerialQueue& operator=(const SerialQueue&) = delete;

  // Runs `job` after every job posted before it has finished.
  // REQUIRES: the queue is owned by a shared_ptr; `job` does not throw.
  void Post(Job job);

  // Like Post, but when no job is queued or running, runs `job` at once on
  // the calling thread instead of handing it to the executor.
  // REQUIRES: as Post; `job` is quick and never waits.
  void RunOrPost(Job job);

 private:
  void RunNext();
  // Hands the next job to the executor, or marks the queue idle.
  void Continue();

  Executor executor_;
  std::mutex mutex_;
  // A list allocates nothing while empty, as the queue of nearly every
  // session (a visitor who reads one page) stays.
  std::list<Job> jobs_;
  bool running_ = false;
};

}  // namespace quorax

#endif  // QUORAX_SESSIONS_SERIAL_QUEUE_H_
