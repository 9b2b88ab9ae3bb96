#include "http/server_core.h"

#include <iostream>

namespace quorax {

void ServerCore::BeginRequest() {
  std::lock_guard lock(mutex_);
  ++busy_;
}

void ServerCore::EndRequest() {
  std::lock_guard lock(mutex_);
  if (--busy_ == 0) idle_.notify_all();
}

bool ServerCore::WaitIdle(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, limit, [this] { return busy_ == 0; });
}

void ServerCore::Log(const std::string& line) {
  std::lock_guard lock(log_mutex_);
  if (options.access_log) {
    options.access_log(line);
  } else {
    std::cerr << line + "\n" << std::flush;
  }
}

}  // namespace quorax
