#include "host/session_store.h"

#include <openssl/rand.h>

#include <algorithm>

#include "common/errors.h"

namespace quorax {

std::string NewSessionId() {
  unsigned char bytes[16];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    throw PlatformFailure("the server could not draw a random session id");
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string id;
  for (unsigned char byte : bytes) {
    id += kHex[byte >> 4];
    id += kHex[byte & 15];
  }
  return id;
}

SessionStore::SessionStore(std::chrono::milliseconds timeout, size_t max_sessions,
                           SerialQueue::Executor executor)
    : timeout_(timeout), max_sessions_(max_sessions), executor_(std::move(executor)) {}

bool SessionStore::Expired(const SessionEntry& entry, Clock::time_point now) const {
  return entry.in_use == 0 && now - entry.last_used >= timeout_;
}

size_t SessionStore::PurgeLocked(Clock::time_point now) {
  last_purge_ = now;
  return std::erase_if(entries_, [&](const auto& item) { return Expired(*item.second, now); });
}

bool SessionStore::EvictOneShotLocked() {
  auto oldest = entries_.end();
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    const SessionEntry& entry = *it->second;
    if (entry.in_use > 0 || entry.requests > 1) continue;
    if (oldest == entries_.end() || entry.last_used < oldest->second->last_used) oldest = it;
  }
  if (oldest == entries_.end()) return false;
  entries_.erase(oldest);
  return true;
}

SessionStore::Acquired SessionStore::Acquire(const std::string& id, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  // Regular purges keep the memory of idle sessions from lingering until
  // the cap is reached.
  if (now - last_purge_ >= std::min<Clock::duration>(timeout_, std::chrono::minutes(1))) {
    PurgeLocked(now);
  }
  if (auto it = entries_.find(id); it != entries_.end()) {
    SessionEntry& entry = *it->second;
    if (!entry.abandoned && !Expired(entry, now)) {
      ++entry.in_use;
      ++entry.requests;
      entry.last_used = now;
      return {it->second, false};
    }
    if (entry.in_use == 0) entries_.erase(it);
  }
  if (entries_.size() >= max_sessions_) PurgeLocked(now);
  if (entries_.size() >= max_sessions_ && !EvictOneShotLocked()) return {nullptr, false};
  std::string new_id = NewSessionId();
  auto entry = std::make_shared<SessionEntry>(new_id, executor_);
  entry->in_use = 1;
  entry->requests = 1;
  entry->last_used = now;
  entries_.emplace(new_id, entry);
  return {entry, true};
}

void SessionStore::Release(const std::shared_ptr<SessionEntry>& entry, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  --entry->in_use;
  entry->last_used = now;
  if (entry->abandoned && entry->in_use == 0) {
    auto it = entries_.find(entry->id);
    if (it != entries_.end() && it->second == entry) entries_.erase(it);
  }
}

void SessionStore::Abandon(const std::shared_ptr<SessionEntry>& entry) {
  std::lock_guard lock(mutex_);
  entry->abandoned = true;
}

size_t SessionStore::PurgeExpired(Clock::time_point now) {
  std::lock_guard lock(mutex_);
  return PurgeLocked(now);
}

size_t SessionStore::Count() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

}  // namespace quorax
