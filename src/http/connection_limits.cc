#include "http/connection_limits.h"

#include <cassert>
#include <utility>

#include "http/limit_key.h"

namespace quorax {

struct ConnectionLimits::Entry {
  std::string key;               // the client's LimitKey; empty for a trusted proxy
  Client* client = nullptr;      // null for a trusted proxy
  bool counted = true;           // false once released or shed
  bool idle = false;             // in the idle lists
  IdleList::iterator in_client;  // valid while idle and client is set
  IdleList::iterator in_all;     // valid while idle
  std::function<void()> shed;
  // Each holds the entry's node of one idle list while the entry is not in
  // that list: a node moves between lists without allocating.
  IdleList own_client;
  IdleList own_all;
};

ConnectionLimits::Slot::Slot() = default;

ConnectionLimits::Slot::Slot(ConnectionLimits* limits, std::unique_ptr<Entry> entry)
    : limits_(limits), entry_(std::move(entry)) {}

ConnectionLimits::Slot::Slot(Slot&& other) noexcept
    : limits_(std::exchange(other.limits_, nullptr)), entry_(std::move(other.entry_)) {}

ConnectionLimits::Slot& ConnectionLimits::Slot::operator=(Slot&& other) noexcept {
  if (this != &other) {
    if (limits_ != nullptr) limits_->Release(*entry_);
    limits_ = std::exchange(other.limits_, nullptr);
    entry_ = std::move(other.entry_);
  }
  return *this;
}

ConnectionLimits::Slot::~Slot() {
  if (limits_ != nullptr) limits_->Release(*entry_);
}

void ConnectionLimits::Slot::OnShed(std::function<void()> shed) {
  assert(limits_ != nullptr);
  std::lock_guard lock(limits_->mutex_);
  entry_->shed = std::move(shed);
}

void ConnectionLimits::Slot::Idle() {
  if (limits_ != nullptr) limits_->MarkIdle(*entry_);
}

bool ConnectionLimits::Slot::Busy() { return limits_ != nullptr && limits_->MarkBusy(*entry_); }

ConnectionLimits::Slot ConnectionLimits::Admit(const std::string& address) {
  std::function<void()> shed;
  std::unique_ptr<Entry> entry;
  {
    std::lock_guard lock(mutex_);
    entry = AdmitLocked(address, shed);
  }
  // The shed connection's place is already the newcomer's; it closes on its
  // own strand, outside the lock.
  if (shed) shed();
  return entry ? Slot(this, std::move(entry)) : Slot();
}

std::unique_ptr<ConnectionLimits::Entry> ConnectionLimits::AdmitLocked(
    const std::string& address, std::function<void()>& shed) {
  const bool proxy = unlimited_.count(address) != 0;
  const std::string key = proxy ? std::string() : LimitKey(address);
  auto found = proxy ? clients_.end() : clients_.find(key);
  IdleList* candidates = nullptr;  // where the connection to shed comes from, at a limit
  if (found != clients_.end() && found->second.open >= max_per_address_) {
    candidates = &found->second.idle;
  } else if (total_ >= max_total_) {
    candidates = &idle_;
  }
  if (candidates != nullptr) {
    if (candidates->empty()) {
      ++refused_;
      return nullptr;
    }
    Entry& victim = *candidates->front();
    Forget(victim);
    shed = std::move(victim.shed);
  }
  auto entry = std::make_unique<Entry>();
  entry->own_client.push_back(entry.get());
  entry->own_all.push_back(entry.get());
  if (!proxy) {
    entry->key = key;
    entry->client = &clients_[key];
    ++entry->client->open;
  }
  ++total_;
  return entry;
}

size_t ConnectionLimits::TakeRefusalsToReport(Clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (refused_ == 0 || now - last_report_ < std::chrono::seconds(1)) return 0;
  last_report_ = now;
  return std::exchange(refused_, 0);
}

void ConnectionLimits::Forget(Entry& entry) {
  assert(entry.counted && total_ > 0);
  LeaveIdleLists(entry);
  --total_;
  if (entry.client != nullptr && --entry.client->open == 0) clients_.erase(entry.key);
  entry.client = nullptr;
  entry.counted = false;
}

void ConnectionLimits::Release(Entry& entry) {
  std::lock_guard lock(mutex_);
  if (entry.counted) Forget(entry);
}

void ConnectionLimits::MarkIdle(Entry& entry) {
  std::lock_guard lock(mutex_);
  if (!entry.counted || entry.idle) return;
  assert(entry.shed);
  entry.idle = true;
  entry.in_all = entry.own_all.begin();
  idle_.splice(idle_.end(), entry.own_all, entry.in_all);
  if (entry.client != nullptr) {
    entry.in_client = entry.own_client.begin();
    entry.client->idle.splice(entry.client->idle.end(), entry.own_client, entry.in_client);
  }
}

bool ConnectionLimits::MarkBusy(Entry& entry) {
  std::lock_guard lock(mutex_);
  if (!entry.counted) return false;
  LeaveIdleLists(entry);
  return true;
}

void ConnectionLimits::LeaveIdleLists(Entry& entry) {
  if (!entry.idle) return;
  if (entry.client != nullptr)
    entry.own_client.splice(entry.own_client.end(), entry.client->idle, entry.in_client);
  entry.own_all.splice(entry.own_all.end(), idle_, entry.in_all);
  entry.idle = false;
}

}  // namespace quorax
