#include "web/run_queue.h"

#include <algorithm>

namespace quorax {

RunQueue::RunQueue(size_t workers, Work work)
    : workers_(std::max<size_t>(workers, 1)), work_(std::move(work)) {}

RunQueue::~RunQueue() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (const std::shared_ptr<FileRun>& run : waiting_) {
      run->Fail(FileRun::Stage::kServerStopped, "The server stopped before the run began.");
    }
    waiting_.clear();
    for (FileRun* run : running_) run->Cancel();
  }
  wake_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

size_t RunQueue::DefaultWorkers() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 2 : 2 * static_cast<size_t>(cores);
}

void RunQueue::Submit(std::shared_ptr<FileRun> run) {
  std::lock_guard lock(mutex_);
  waiting_.push_back(std::move(run));
  if (threads_.size() < workers_ && threads_.size() < waiting_.size() + running_.size()) {
    threads_.emplace_back([this] { Serve(); });
  }
  wake_.notify_one();
}

size_t RunQueue::PlaceOf(const FileRun& run) const {
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < waiting_.size(); ++i) {
    if (waiting_[i].get() == &run) return i + 1;
  }
  return 0;
}

void RunQueue::Serve() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
    if (stopping_) return;
    std::shared_ptr<FileRun> run = std::move(waiting_.front());
    waiting_.pop_front();
    running_.insert(run.get());
    lock.unlock();
    work_(*run);
    lock.lock();
    running_.erase(run.get());
    if (stopping_ && run->CancelAsked()) {
      run->Fail(FileRun::Stage::kServerStopped, "The server stopped during the run.");
    }
    // The run's spool file goes once the session lets the run go too.
    lock.unlock();
    run.reset();
    lock.lock();
  }
}

}  // namespace quorax
