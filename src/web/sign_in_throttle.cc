#include "web/sign_in_throttle.h"

#include <algorithm>
#include <cassert>
#include <iostream>
#include <iterator>
#include <vector>

namespace quorax {

SignInThrottle::SignInThrottle(Clock clock, size_t max_keys, size_t max_locks)
    : clock_(std::move(clock)), max_keys_(max_keys), max_locks_(max_locks) {
  assert(max_keys >= 3);
  assert(max_locks >= 1);
}

// An address holds no "\n": an address key has none, a name key one and a
// user key two, so the kinds of key never meet.
std::string SignInThrottle::AddressKey(const std::string& address) { return address; }

std::string SignInThrottle::NameKey(const std::string& address, const std::string& user_name) {
  return address + "\n" + std::to_string(std::hash<std::string>{}(user_name));
}

std::string SignInThrottle::UserKey(const std::string& user_name) {
  return "\n" + NameKey("", user_name);
}

SignInThrottle::Record* SignInThrottle::Find(Table& table, const std::string& key, bool create,
                                             Time now) {
  Order& order = table.order;
  auto it = table.records.find(key);
  if (it != table.records.end()) {
    order.splice(order.begin(), order, it->second);
  } else {
    if (!create) return nullptr;
    if (order.size() >= max_keys_) {
      table.records.erase(order.back().key);
      order.pop_back();
    }
    order.push_front(Record{key});
    table.records.emplace(order.front().key, order.begin());
  }
  Record& record = order.front();
  const Time since = record.wait == Wait::zero() ? record.first : record.last;
  if (record.failures > 0 && now - since >= kWindow) {
    record.failures = 0;
    record.wait = Wait::zero();
  }
  return &record;
}

SignInThrottle::Record* SignInThrottle::FindCount(const std::string& key, bool create, Time now) {
  Record* blocked = Find(locks_, key, false, now);
  if (blocked == nullptr) return Find(counts_, key, create, now);
  if (blocked->wait == Wait::zero()) {
    MoveRecord(key, locks_, counts_);
    if (counts_.order.size() > max_keys_) {
      counts_.records.erase(counts_.order.back().key);
      counts_.order.pop_back();
    }
  }
  return blocked;
}

void SignInThrottle::MoveRecord(const std::string& key, Table& from, Table& to) {
  const auto it = from.records.find(key);
  const Order::iterator record = it->second;
  from.records.erase(it);
  to.order.splice(to.order.begin(), from.order, record);
  to.records.emplace(record->key, record);
}

void SignInThrottle::MakeRoomForLock(Time now) {
  Order& order = locks_.order;
  if (order.size() < max_locks_) return;
  const auto lapsed = std::find_if(order.rbegin(), order.rend(),
                                   [&](const Record& r) { return now - r.last >= kWindow; });
  const Order::iterator victim = lapsed != order.rend() ? std::prev(lapsed.base()) : --order.end();
  if (lapsed == order.rend()) {
    std::cerr << "quorax-server: the sign-in throttle holds " << max_locks_
              << " blocked counts, its most; the least recently used one ends early\n";
  }
  locks_.records.erase(victim->key);
  order.erase(victim);
}

void SignInThrottle::Lengthen(Record& record, Time now) {
  if (record.wait == Wait::zero()) {
    MakeRoomForLock(now);
    MoveRecord(record.key, counts_, locks_);
  }
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

bool SignInThrottle::Known(const std::string& address, const std::string& user_name, Time now) {
  const Record* known = Find(known_, NameKey(address, user_name), false, now);
  return known != nullptr && now - known->last < kKnownFor;
}

bool SignInThrottle::Refuses(const std::string& address, const std::string& user_name) {
  const Time now = clock_();
  std::lock_guard lock(mutex_);
  std::vector<std::string> keys = {AddressKey(address), NameKey(address, user_name)};
  if (!Known(address, user_name, now)) keys.push_back(UserKey(user_name));
  bool refused = false;
  for (const std::string& key : keys) {
    Record* record = FindCount(key, false, now);
    if (record == nullptr || record->wait == Wait::zero() || now >= record->blocked_until) continue;
    Lengthen(*record, now);
    refused = true;
  }
  return refused;
}

void SignInThrottle::Failed(const std::string& address, const std::string& user_name) {
  const Time now = clock_();
  std::lock_guard lock(mutex_);
  Fail(*FindCount(AddressKey(address), true, now), kAddressLimit, now);
  Fail(*FindCount(NameKey(address, user_name), true, now), kNameLimit, now);
  if (!Known(address, user_name, now)) {
    Fail(*FindCount(UserKey(user_name), true, now), kUserLimit, now);
  }
}

void SignInThrottle::Succeeded(const std::string& address, const std::string& user_name) {
  const Time now = clock_();
  const std::string key = NameKey(address, user_name);
  std::lock_guard lock(mutex_);
  Find(known_, key, true, now)->last = now;
  for (Table* table : {&counts_, &locks_}) {
    auto it = table->records.find(key);
    if (it == table->records.end()) continue;
    const Order::iterator record = it->second;
    table->records.erase(it);
    table->order.erase(record);
  }
}

size_t SignInThrottle::Count() const {
  std::lock_guard lock(mutex_);
  return counts_.order.size() + locks_.order.size();
}

}  // namespace quorax
