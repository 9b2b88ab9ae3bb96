#include "host/shared_check.h"

#include <utility>

namespace quorax {

SharedCheck::SharedCheck(std::function<std::string()> check, SerialQueue::Executor executor,
                         std::chrono::milliseconds fresh_for, Clock clock)
    : check_(std::move(check)),
      executor_(std::move(executor)),
      fresh_for_(fresh_for),
      clock_(std::move(clock)) {}

void SharedCheck::Ask(Answer answer) {
  std::unique_lock lock(mutex_);
  if (answered_ && clock_() - ended_ < fresh_for_) {
    const std::string result = result_;
    lock.unlock();
    return answer(result);
  }
  waiting_.push_back(std::move(answer));
  if (running_) return;
  running_ = true;
  lock.unlock();
  executor_([this] { Run(); });
}

void SharedCheck::Run() {
  const std::string result = check_();
  std::vector<Answer> waiting;
  {
    std::lock_guard lock(mutex_);
    result_ = result;
    ended_ = clock_();
    answered_ = true;
    running_ = false;
    waiting.swap(waiting_);
  }
  for (const Answer& answer : waiting) answer(result);
}

}  // namespace quorax
