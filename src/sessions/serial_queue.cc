#include "sessions/serial_queue.h"

namespace quorax {

void SerialQueue::Post(Job job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
    if (running_) return;
    running_ = true;
  }
  executor_([self = shared_from_this()] { self->RunNext(); });
}

void SerialQueue::RunNext() {
  Job job;
  {
    std::lock_guard lock(mutex_);
    job = std::move(jobs_.front());
    jobs_.pop_front();
  }
  job();
  Continue();
}

void SerialQueue::RunOrPost(Job job) {
  {
    std::lock_guard lock(mutex_);
    if (running_) {
      jobs_.push_back(std::move(job));
      return;
    }
    running_ = true;
  }
  job();
  Continue();
}

void SerialQueue::Continue() {
  {
    std::lock_guard lock(mutex_);
    if (jobs_.empty()) {
      running_ = false;
      return;
    }
  }
  executor_([self = shared_from_this()] { self->RunNext(); });
}

}  // namespace quorax
