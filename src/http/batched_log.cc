#include "http/batched_log.h"

#include <unistd.h>

#include <cerrno>

namespace quorax {

namespace {

constexpr size_t kMaxPending = 1 << 20;

// Writes all of `text`; gives up on the rest when the descriptor fails.
void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text.remove_prefix(static_cast<size_t>(written));
  }
}

}  // namespace

BatchedLog::BatchedLog(int fd, std::chrono::milliseconds delay)
    : fd_(fd), delay_(delay), writer_([this](std::stop_token stop) { Run(stop); }) {}

void BatchedLog::Add(std::string_view line) {
  std::unique_lock lock(mutex_);
  space_.wait(lock, [this] { return pending_.size() < kMaxPending; });
  const bool was_empty = pending_.empty();
  pending_.append(line).append(1, '\n');
  if (was_empty) pending_added_.notify_one();
}

void BatchedLog::Run(std::stop_token stop) {
  std::string batch;
  std::unique_lock lock(mutex_);
  for (;;) {
    pending_added_.wait(lock, stop, [this] { return !pending_.empty(); });
    if (pending_.empty()) return;  // stopped with nothing left to write
    // Gathers the lines that follow, unless the log is being closed.
    pending_added_.wait_for(lock, stop, delay_, [] { return false; });
    batch.swap(pending_);
    space_.notify_all();
    lock.unlock();
    WriteAll(fd_, batch);
    batch.clear();
    lock.lock();
  }
}

}  // namespace quorax
