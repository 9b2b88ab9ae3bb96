#ifndef QUORAX_HTTP_BATCHED_LOG_H_
#define QUORAX_HTTP_BATCHED_LOG_H_

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

namespace quorax {

// Writes lines to a file descriptor from its own thread, gathering the lines
// added within `delay` of each other into one write, so that a busy server
// pays one system call per batch rather than per request. A line reaches
// the descriptor within about `delay` of being added; the destructor writes
// every line still pending. Thread-safe.
class BatchedLog {
 public:
  BatchedLog(int fd, std::chrono::milliseconds delay);
  BatchedLog(const BatchedLog&) = delete;
  BatchedLog& operator=(const BatchedLog&) = delete;

  // Queues `line` and a line end. Waits while a megabyte is pending (the
  // descriptor does not keep up), as a direct write would have waited.
  void Add(std::string_view line);

 private:
  void Run(std::stop_token stop);

  const int fd_;
  const std::chrono::milliseconds delay_;
  std::mutex mutex_;
  std::condition_variable_any pending_added_;
  std::condition_variable space_;
  std::string pending_;  // lines not yet handed to the writing thread
  std::jthread writer_;  // last: started after, and stopped before, what it uses
};

}  // namespace quorax

#endif  // QUORAX_HTTP_BATCHED_LOG_H_
