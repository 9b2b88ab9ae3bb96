#include "http/server_core.h"

#include <unistd.h>

#include "http/batched_log.h"

namespace quorax {

namespace {

// Standard error, shared by every server of the process.
BatchedLog& StandardErrorLog() {
  static BatchedLog log(STDERR_FILENO, std::chrono::milliseconds(20));
  return log;
}

}  // namespace

void ServerCore::BeginRequest() { busy_.fetch_add(1); }

void ServerCore::EndRequest() {
  if (busy_.fetch_sub(1) != 1) return;
  std::lock_guard lock(mutex_);  // a waiter between its check and its wait holds it
  idle_.notify_all();
}

bool ServerCore::WaitIdle(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, limit, [this] { return busy_.load() == 0; });
}

void ServerCore::Log(std::string_view line) {
  if (!options.access_log) return StandardErrorLog().Add(line);
  std::lock_guard lock(log_mutex_);
  options.access_log(std::string(line));
}

}  // namespace quorax
