#include "web/run_queue.h"

#include <algorithm>

namespace quorax {

RunQueue::RunQueue(const RunLimits& limits, Work work)
    : workers_(limits.workers == 0 ? DefaultWorkers() : limits.workers),
      per_login_(std::max<size_t>(limits.per_login, 1)),
      longest_(limits.longest),
      work_(std::move(work)) {}

RunQueue::~RunQueue() {
  std::unique_lock lock(mutex_);
  stopping_ = true;
  for (const auto& [login, runs] : waiting_) {
    for (const std::shared_ptr<FileRun>& run : runs) {
      run->Fail(FileRun::Stage::kServerStopped, "The server stopped before the run began.");
    }
  }
  waiting_.clear();
  turns_.clear();
  wake_.notify_all();
  if (!wake_.wait_for(lock, kStopGrace, [this] { return running_.empty(); })) {
    for (const auto& [run, stop] : running_) stop->Abandon();
  }
  lock.unlock();
  for (std::thread& thread : threads_) thread.join();
}

size_t RunQueue::DefaultWorkers() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 2 : 2 * static_cast<size_t>(cores);
}

void RunQueue::Submit(std::shared_ptr<FileRun> run) {
  std::lock_guard lock(mutex_);
  const std::string& login = run->order().user;
  Waiting& runs = waiting_[login];
  if (runs.empty()) turns_.push_back(login);
  runs.push_back(std::move(run));
  size_t queued = 0;
  for (const auto& [name, queue] : waiting_) queued += queue.size();
  if (threads_.size() < workers_ && threads_.size() < queued + running_.size()) {
    threads_.emplace_back([this] { Serve(); });
  }
  wake_.notify_all();
}

void RunQueue::Cancel(FileRun& run) {
  std::lock_guard lock(mutex_);
  run.Cancel();
  const auto runs = waiting_.find(run.order().user);
  if (runs == waiting_.end()) return;
  const auto found = std::find_if(runs->second.begin(), runs->second.end(),
                                  [&run](const auto& queued) { return queued.get() == &run; });
  if (found == runs->second.end()) return;
  runs->second.erase(found);
  run.SetStage(FileRun::Stage::kCancelled);
  if (!runs->second.empty()) return;
  turns_.erase(std::find(turns_.begin(), turns_.end(), runs->first));
  waiting_.erase(runs);
}

size_t RunQueue::PlaceOf(const FileRun& run) const {
  std::lock_guard lock(mutex_);
  size_t place = 0;
  for (size_t round = 0;; ++round) {
    bool any = false;
    for (const std::string& login : turns_) {
      const Waiting& runs = waiting_.at(login);
      if (round >= runs.size()) continue;
      any = true;
      ++place;
      if (runs[round].get() == &run) return place;
    }
    if (!any) return 0;
  }
}

bool RunQueue::CanStart() const {
  return std::any_of(turns_.begin(), turns_.end(), [this](const std::string& login) {
    const auto going = going_.find(login);
    return going == going_.end() || going->second < per_login_;
  });
}

std::shared_ptr<FileRun> RunQueue::TakeNext() {
  for (auto turn = turns_.begin(); turn != turns_.end(); ++turn) {
    const auto going = going_.find(*turn);
    if (going != going_.end() && going->second >= per_login_) continue;
    const std::string login = *turn;
    turns_.erase(turn);
    Waiting& runs = waiting_.at(login);
    std::shared_ptr<FileRun> run = std::move(runs.front());
    runs.pop_front();
    if (runs.empty()) {
      waiting_.erase(login);
    } else {
      turns_.push_back(login);
    }
    ++going_[login];
    return run;
  }
  return nullptr;
}

void RunQueue::Serve() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || CanStart(); });
    if (stopping_) return;
    std::shared_ptr<FileRun> run = TakeNext();
    RunStop stop(*run, stopping_, longest_);
    running_.emplace(run.get(), &stop);
    lock.unlock();
    work_(*run, stop);
    lock.lock();
    running_.erase(run.get());
    const std::string& login = run->order().user;
    if (--going_[login] == 0) going_.erase(login);
    wake_.notify_all();
    // The run's spool file goes once the session lets the run go too.
    lock.unlock();
    run.reset();
    lock.lock();
  }
}

}  // namespace quorax
