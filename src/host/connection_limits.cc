#include "host/connection_limits.h"

#include <cassert>
#include <utility>

namespace quorax {

ConnectionLimits::Slot::Slot(Slot&& other) noexcept
    : limits_(std::exchange(other.limits_, nullptr)), address_(std::move(other.address_)) {}

ConnectionLimits::Slot& ConnectionLimits::Slot::operator=(Slot&& other) noexcept {
  if (this != &other) {
    if (limits_ != nullptr) limits_->Release(address_);
    limits_ = std::exchange(other.limits_, nullptr);
    address_ = std::move(other.address_);
  }
  return *this;
}

ConnectionLimits::Slot::~Slot() {
  if (limits_ != nullptr) limits_->Release(address_);
}

ConnectionLimits::Slot ConnectionLimits::Admit(const std::string& address) {
  std::lock_guard lock(mutex_);
  auto found = per_address_.find(address);
  size_t from_address = found == per_address_.end() ? 0 : found->second;
  const bool proxy = unlimited_.count(address) != 0;
  if (total_ >= max_total_ || (!proxy && from_address >= max_per_address_)) {
    ++refused_;
    return Slot();
  }
  ++total_;
  ++per_address_[address];
  return Slot(this, address);
}

size_t ConnectionLimits::TakeRefusalsToReport(Clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (refused_ == 0 || now - last_report_ < std::chrono::seconds(1)) return 0;
  last_report_ = now;
  return std::exchange(refused_, 0);
}

void ConnectionLimits::Release(const std::string& address) {
  std::lock_guard lock(mutex_);
  auto found = per_address_.find(address);
  assert(found != per_address_.end() && total_ > 0);
  --total_;
  if (--found->second == 0) per_address_.erase(found);
}

}  // namespace quorax
