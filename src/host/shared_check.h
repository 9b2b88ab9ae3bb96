#ifndef QUORAX_HOST_SHARED_CHECK_H_
#define QUORAX_HOST_SHARED_CHECK_H_

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "sessions/serial_queue.h"

namespace quorax {

// Shares one slow check (the probe's database check) among every caller: a
// caller gets the last result while it is less than `fresh_for` old, else
// waits for the check in progress, else starts one. So one check runs at a
// time, and the next starts no sooner than `fresh_for` after the last ended,
// however many callers come. Thread-safe.
class SharedCheck {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  using Answer = std::function<void(const std::string& result)>;

  // `check` runs on `executor` and returns the result.
  // REQUIRES: `check` and every Answer do not raise; the executor runs every
  // job it is given while this object lives.
  SharedCheck(std::function<std::string()> check, SerialQueue::Executor executor,
              std::chrono::milliseconds fresh_for, Clock clock);
  SharedCheck(const SharedCheck&) = delete;
  SharedCheck& operator=(const SharedCheck&) = delete;

  // Calls `answer` with a fresh result: before returning when the last one
  // is fresh, else on the executor once the check in progress returns.
  void Ask(Answer answer);

 private:
  // Runs the check and answers every caller waiting for it.
  void Run();

  const std::function<std::string()> check_;
  const SerialQueue::Executor executor_;
  const std::chrono::milliseconds fresh_for_;
  const Clock clock_;
  std::mutex mutex_;
  bool running_ = false;
  bool answered_ = false;                        // result_ and ended_ hold a check's
  std::string result_;                           // of the last check that ended
  std::chrono::steady_clock::time_point ended_;  // when it ended
  std::vector<Answer> waiting_;                  // for the check in progress
};

}  // namespace quorax

#endif  // QUORAX_HOST_SHARED_CHECK_H_
