#include "web/sign_in_throttle.h"

#include <algorithm>
#include <cassert>

namespace quorax {

SignInThrottle::SignInThrottle(Clock clock, size_t max_keys)
    : clock_(std::move(clock)), max_keys_(max_keys) {
  assert(max_keys >= 2);
}

// An address holds no "\n", so the two kinds of key never meet.
std::string SignInThrottle::AddressKey(const std::string& address) { return address; }

std::string SignInThrottle::NameKey(const std::string& address, const std::string& user_name) {
  return address + "\n" + std::to_string(std::hash<std::string>{}(user_name));
}

SignInThrottle::Record* SignInThrottle::Find(const std::string& key, bool create, Time now) {
  auto it = records_.find(key);
  if (it != records_.end()) {
    order_.splice(order_.begin(), order_, it->second);
  } else {
    if (!create) return nullptr;
    if (order_.size() >= max_keys_) {
      records_.erase(order_.back().key);
      order_.pop_back();
    }
    order_.push_front(Record{key});
    records_.emplace(order_.front().key, order_.begin());
  }
  Record& record = order_.front();
  const Time since = record.wait == Wait::zero() ? record.first : record.last;
  if (record.failures > 0 && now - since >= kWindow) {
    record.failures = 0;
    record.wait = Wait::zero();
  }
  return &record;
}

void SignInThrottle::Lengthen(Record& record, Time now) {
  record.wait =
      record.wait == Wait::zero() ? Wait(kFirstWait) : std::min<Wait>(2 * record.wait, kWindow);
  record.blocked_until = now + record.wait;
  record.last = now;
}

void SignInThrottle::Fail(Record& record, int limit, Time now) {
  if (record.failures == 0) record.first = now;
  ++record.failures;
  record.last = now;
  if (record.failures >= limit) Lengthen(record, now);
}

bool SignInThrottle::Refuses(const std::string& address, const std::string& user_name) {
  const Time now = clock_();
  std::lock_guard lock(mutex_);
  bool refused = false;
  for (const std::string& key : {AddressKey(address), NameKey(address, user_name)}) {
    Record* record = Find(key, false, now);
    if (record == nullptr || record->wait == Wait::zero() || now >= record->blocked_until) continue;
    Lengthen(*record, now);
    refused = true;
  }
  return refused;
}

void SignInThrottle::Failed(const std::string& address, const std::string& user_name) {
  const Time now = clock_();
  std::lock_guard lock(mutex_);
  Fail(*Find(AddressKey(address), true, now), kAddressLimit, now);
  Fail(*Find(NameKey(address, user_name), true, now), kNameLimit, now);
}

void SignInThrottle::Succeeded(const std::string& address, const std::string& user_name) {
  std::lock_guard lock(mutex_);
  auto it = records_.find(NameKey(address, user_name));
  if (it == records_.end()) return;
  const Order::iterator record = it->second;
  records_.erase(it);
  order_.erase(record);
}

size_t SignInThrottle::Count() const {
  std::lock_guard lock(mutex_);
  return order_.size();
}

}  // namespace quorax
