#include "sessions/session_store.h"

#include <cassert>
#include <iterator>

#include "metrics/metrics.h"

namespace quorax {

namespace {

// Expired sessions each Acquire removes: more than one, so that removal
// outpaces creation and idle memory does not linger until the store is full.
constexpr size_t kPurgePerAcquire = 2;

}  // namespace

SessionStore::SessionStore(std::chrono::milliseconds timeout, size_t max_sessions,
                           SerialQueue::Executor executor, size_t max_signed_in_per_user,
                           size_t max_guests_per_client)
    : timeout_(timeout),
      max_sessions_(max_sessions),
      executor_(std::move(executor)),
      max_signed_in_per_user_(max_signed_in_per_user),
      max_guests_per_client_(max_guests_per_client) {
  assert(max_signed_in_per_user >= 1 && max_guests_per_client >= 1);
}

bool SessionStore::Expired(const SessionEntry& entry, Clock::time_point now) const {
  return entry.in_use == 0 && now - entry.last_used >= timeout_;
}

SessionStore::Order& SessionStore::IdleOrderOf(const SessionEntry& entry) {
  return entry.user.empty() ? guests_ : members_;
}

SessionStore::Order::iterator SessionStore::InsertByLastUsed(Order& order, SessionEntry& entry) {
  // Releases arrive in time order but for races between threads, so the
  // place is found from the back in a step or two.
  auto place = order.end();
  while (place != order.begin() && (*std::prev(place))->last_used > entry.last_used) {
    --place;
    ++visited_;
  }
  return order.insert(place, &entry);
}

void SessionStore::LinkIdle(SessionEntry& entry) {
  entry.idle_pos = InsertByLastUsed(IdleOrderOf(entry), entry);
  if (entry.user.empty()) entry.client_pos = InsertByLastUsed(clients_[entry.client].idle, entry);
  entry.idle = true;
}

void SessionStore::UnlinkIdle(SessionEntry& entry) {
  if (!entry.idle) return;
  IdleOrderOf(entry).erase(entry.idle_pos);
  if (entry.user.empty()) clients_.find(entry.client)->second.idle.erase(entry.client_pos);
  entry.idle = false;
}

void SessionStore::CountGuest(SessionEntry& entry) {
  assert(!entry.counted && entry.user.empty());
  entry.counted = true;
  ++clients_[entry.client].count;
}

void SessionStore::UncountGuest(SessionEntry& entry) {
  if (!entry.counted) return;
  entry.counted = false;
  auto client = clients_.find(entry.client);
  if (--client->second.count == 0) clients_.erase(client);
}

void SessionStore::UnlinkUser(SessionEntry& entry) {
  if (entry.user.empty()) return;
  auto user = users_.find(entry.user);
  user->second.erase(entry.user_pos);
  if (user->second.empty()) users_.erase(user);
  entry.user.clear();
}

void SessionStore::Remove(SessionEntry& entry, Dropped& dropped) {
  UnlinkIdle(entry);
  UnlinkUser(entry);
  UncountGuest(entry);
  auto it = entries_.find(entry.id);
  if (it != entries_.end() && it->second.get() == &entry) {
    dropped.push_back(std::move(it->second));
    entries_.erase(it);
  }
}

void SessionStore::End(SessionEntry& entry, Dropped& dropped) {
  entry.abandoned = true;
  if (entry.in_use == 0) return Remove(entry, dropped);
  // In use: it stays until Release, but no longer counts as signed in.
  UnlinkUser(entry);
  UncountGuest(entry);
}

size_t SessionStore::PurgeLocked(Clock::time_point now, size_t limit, Dropped& dropped) {
  size_t removed = 0;
  for (Order* order : {&guests_, &members_}) {
    while (removed < limit && !order->empty()) {
      ++visited_;
      if (!Expired(*order->front(), now)) break;
      Remove(*order->front(), dropped);
      ++removed;
    }
  }
  return removed;
}

bool SessionStore::MakeRoom(Clock::time_point now, Dropped& dropped) {
  if (PurgeLocked(now, 1, dropped) == 1) return true;
  if (guests_.empty()) return false;
  ++visited_;
  Remove(*guests_.front(), dropped);
  metrics::SessionEvicted();
  return true;
}

bool SessionStore::MakeRoomFor(const std::string& client, Dropped& dropped) {
  auto guests = clients_.find(client);
  if (guests == clients_.end() || guests->second.count < max_guests_per_client_) return true;
  if (guests->second.idle.empty()) return false;
  ++visited_;
  Remove(*guests->second.idle.front(), dropped);
  metrics::SessionEvicted();
  return true;
}

SessionStore::Acquired SessionStore::Acquire(const std::string& id, Clock::time_point now,
                                             const std::string& client) {
  Dropped dropped;  // declared before the lock, so destroyed after it is released
  std::lock_guard lock(mutex_);
  visited_ = 0;
  PurgeLocked(now, kPurgePerAcquire, dropped);
  if (auto it = entries_.find(id); it != entries_.end()) {
    SessionEntry& entry = *it->second;
    if (!entry.abandoned && !Expired(entry, now)) {
      UnlinkIdle(entry);
      ++entry.in_use;
      entry.last_used = now;
      return {it->second, false};
    }
    if (entry.in_use == 0) Remove(entry, dropped);
  }
  if (!MakeRoomFor(client, dropped)) return {nullptr, false};
  if (entries_.size() >= max_sessions_ && !MakeRoom(now, dropped)) return {nullptr, false};
  std::string new_id = NewSessionId();
  auto entry = std::make_shared<SessionEntry>(new_id, executor_);
  entry->in_use = 1;
  entry->last_used = now;
  entry->client = client;
  CountGuest(*entry);
  entries_.emplace(std::move(new_id), entry);
  return {entry, true};
}

std::shared_ptr<SessionEntry> SessionStore::FindSignedIn(const std::string& id,
                                                         Clock::time_point now) const {
  std::lock_guard lock(mutex_);
  const auto it = entries_.find(id);
  if (it == entries_.end()) return nullptr;
  const SessionEntry& entry = *it->second;
  const bool live = !entry.abandoned && !Expired(entry, now) && !entry.user.empty();
  return live ? it->second : nullptr;
}

void SessionStore::Release(const std::shared_ptr<SessionEntry>& entry, Clock::time_point now) {
  Dropped dropped;
  std::lock_guard lock(mutex_);
  visited_ = 0;
  assert(entry->in_use > 0);
  entry->last_used = now;
  if (--entry->in_use > 0) return;
  if (entry->abandoned) return Remove(*entry, dropped);
  LinkIdle(*entry);
}

void SessionStore::Abandon(const std::shared_ptr<SessionEntry>& entry) {
  Dropped dropped;
  std::lock_guard lock(mutex_);
  End(*entry, dropped);
}

void SessionStore::MarkSignedIn(const std::shared_ptr<SessionEntry>& entry,
                                const std::string& user_name) {
  assert(!user_name.empty());
  Dropped dropped;
  std::lock_guard lock(mutex_);
  assert(entry->in_use > 0);
  if (entry->abandoned || entry->user == user_name) return;
  UncountGuest(*entry);
  UnlinkUser(*entry);
  entry->user = user_name;
  Order& sessions = users_[user_name];
  entry->user_pos = sessions.insert(sessions.end(), entry.get());
  while (sessions.size() > max_signed_in_per_user_) {
    SessionEntry* idlest = LeastRecentlyUsedIdle(sessions);
    if (idlest == nullptr) break;
    End(*idlest, dropped);
    metrics::SessionEvicted();
  }
}

SessionEntry* SessionStore::LeastRecentlyUsedIdle(const Order& sessions) {
  SessionEntry* idlest = nullptr;
  for (SessionEntry* session : sessions) {
    ++visited_;
    if (session->in_use == 0 && (idlest == nullptr || session->last_used < idlest->last_used)) {
      idlest = session;
    }
  }
  return idlest;
}

std::string SessionStore::Rotate(const std::shared_ptr<SessionEntry>& entry) {
  std::string new_id = NewSessionId();
  std::lock_guard lock(mutex_);
  assert(entry->in_use > 0);
  if (entry->abandoned) return entry->id;
  auto it = entries_.find(entry->id);
  assert(it != entries_.end() && it->second == entry);
  entries_.erase(it);
  entry->id = new_id;
  entries_.emplace(std::move(new_id), entry);
  return entry->id;
}

std::string SessionStore::Renew(const std::shared_ptr<SessionEntry>& entry) {
  std::string id = Rotate(entry);
  std::lock_guard lock(mutex_);
  UnlinkUser(*entry);
  if (!entry->abandoned && !entry->counted) CountGuest(*entry);
  return id;
}

size_t SessionStore::PurgeExpired(Clock::time_point now) {
  Dropped dropped;
  std::lock_guard lock(mutex_);
  visited_ = 0;
  return PurgeLocked(now, entries_.size(), dropped);
}

size_t SessionStore::Count() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

size_t SessionStore::LastVisited() const {
  std::lock_guard lock(mutex_);
  return visited_;
}

}  // namespace quorax
