#include "kept/connection_keeper.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "metrics/metrics.h"

namespace quorax {

namespace {

// Connections taken out under the lock, closed after it is released: closing
// one tells the database server, which need not hold up other requests.
using Closed = std::vector<std::unique_ptr<TCDB>>;

}  // namespace

struct ConnectionKeeper::Shared {
  struct Kept {
    uint64_t claim;
    std::string user;
    std::unique_ptr<TCDB> database;
    Clock::time_point last_used;
  };
  using Order = std::list<Kept>;  // least recently kept first
  // A user's kept connections, and the most it may keep once the database
  // refused it a connection (learned at `limited`); known users are those
  // with either.
  struct User {
    size_t kept = 0;
    size_t limit = SIZE_MAX;
    Clock::time_point limited{};
  };

  Shared(size_t max_kept, std::chrono::milliseconds idle) : capacity(max_kept), idle_limit(idle) {}

  // Moves the connection at `it` into `closed`.
  void Release(Order::iterator it, Closed& closed) {
    auto user = users.find(it->user);
    if (--user->second.kept == 0 && user->second.limit == SIZE_MAX) users.erase(user);
    closed.push_back(std::move(it->database));
    by_claim.erase(it->claim);
    order.erase(it);
  }

  // Wakes AwaitReturn: a connection was handed back or closed.
  void Returned() {
    ++returns;
    returned.notify_all();
  }

  // Moves the connection kept for `claim`, if any, into `closed`.
  void Release(uint64_t claim, Closed& closed) {
    auto it = by_claim.find(claim);
    if (it != by_claim.end()) Release(it->second, closed);
  }

  // The least recently kept connection of `user`, or the end of `order`.
  Order::iterator OldestOf(const std::string& user) {
    return std::find_if(order.begin(), order.end(), [&](const Kept& k) { return k.user == user; });
  }

  // Moves every connection idle at `now` into `closed`; returns how many.
  size_t ReleaseIdle(Clock::time_point now, Closed& closed) {
    size_t released = 0;
    while (!order.empty() && now - order.front().last_used >= idle_limit) {
      Release(order.begin(), closed);
      ++released;
    }
    if (released > 0) Returned();
    return released;
  }

  void Report() const { metrics::SetKeptConnections(order.size()); }

  const size_t capacity;
  const std::chrono::milliseconds idle_limit;
  std::mutex mutex;
  std::condition_variable_any kept;  // notified when the first connection is kept
  std::condition_variable returned;  // notified when `returns` grows
  uint64_t returns = 0;              // connections handed back by Keep or closed
  Order order;
  std::unordered_map<uint64_t, Order::iterator> by_claim;
  std::unordered_map<std::string, User> users;  // with a kept connection or a limit
  uint64_t next_claim = 1;
};

ConnectionKeeper::Claim::~Claim() {
  const std::shared_ptr<Shared> shared = keeper_.lock();
  if (shared == nullptr) return;
  Closed closed;
  std::lock_guard lock(shared->mutex);
  shared->Release(id_, closed);
  if (!closed.empty()) shared->Returned();
  shared->Report();
}

ConnectionKeeper::ConnectionKeeper(size_t capacity, std::chrono::milliseconds idle_limit,
                                   bool close_idle_in_background)
    : shared_(std::make_shared<Shared>(capacity, idle_limit)) {
  if (close_idle_in_background) {
    closer_ = std::jthread([this](std::stop_token stop) { CloseIdleUntil(std::move(stop)); });
  }
}

ConnectionKeeper::~ConnectionKeeper() {
  closer_ = {};  // stopped and joined before the connections go
  Closed closed;
  std::lock_guard lock(shared_->mutex);
  while (!shared_->order.empty()) shared_->Release(shared_->order.begin(), closed);
  shared_->Report();
}

std::shared_ptr<ConnectionKeeper::Claim> ConnectionKeeper::NewClaim() {
  std::lock_guard lock(shared_->mutex);
  return std::shared_ptr<Claim>(new Claim(shared_, shared_->next_claim++));
}

std::unique_ptr<TCDB> ConnectionKeeper::Take(const Claim& claim, Clock::time_point now) {
  Closed closed;
  std::lock_guard lock(shared_->mutex);
  shared_->ReleaseIdle(now, closed);
  Closed taken;
  shared_->Release(claim.id_, taken);
  shared_->Report();
  return taken.empty() ? nullptr : std::move(taken.front());
}

void ConnectionKeeper::Keep(const Claim& claim, const std::string& user,
                            std::unique_ptr<TCDB> database, Clock::time_point now) {
  Closed closed;
  std::lock_guard lock(shared_->mutex);
  Shared& shared = *shared_;
  shared.ReleaseIdle(now, closed);
  shared.Release(claim.id_, closed);
  shared.Returned();
  const auto known = shared.users.find(user);
  if (known != shared.users.end() && now - known->second.limited >= kUserLimitQuietTime) {
    known->second.limit = SIZE_MAX;
  }
  const size_t user_limit = known == shared.users.end() ? SIZE_MAX : known->second.limit;
  if (shared.capacity == 0 || user_limit == 0) {
    closed.push_back(std::move(database));
  } else {
    // A user with a limit stays known, so `known` stays valid.
    while (known != shared.users.end() && known->second.kept >= user_limit) {
      shared.Release(shared.OldestOf(user), closed);
    }
    while (shared.order.size() >= shared.capacity) shared.Release(shared.order.begin(), closed);
    if (shared.order.empty()) shared.kept.notify_all();
    shared.order.push_back({claim.id_, user, std::move(database), now});
    shared.by_claim[claim.id_] = std::prev(shared.order.end());
    ++shared.users[user].kept;
  }
  shared.Report();
}

bool ConnectionKeeper::MakeRoom(const std::string& user, Clock::time_point now) {
  Closed closed;
  std::lock_guard lock(shared_->mutex);
  Shared& shared = *shared_;
  if (shared.order.empty()) return false;
  const auto oldest = shared.OldestOf(user);
  if (oldest == shared.order.end()) {
    shared.Release(shared.order.begin(), closed);
  } else {
    Shared::User& known = shared.users[user];
    known.limit = known.kept - 1;
    known.limited = now;
    shared.Release(oldest, closed);
  }
  shared.Returned();
  shared.Report();
  return true;
}

void ConnectionKeeper::AwaitReturn(std::chrono::milliseconds at_most) {
  std::unique_lock lock(shared_->mutex);
  const uint64_t seen = shared_->returns;
  shared_->returned.wait_for(lock, at_most, [&] { return shared_->returns != seen; });
}

size_t ConnectionKeeper::CloseIdle(Clock::time_point now) {
  Closed closed;
  std::lock_guard lock(shared_->mutex);
  const size_t released = shared_->ReleaseIdle(now, closed);
  shared_->Report();
  return released;
}

size_t ConnectionKeeper::Count() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->order.size();
}

void ConnectionKeeper::CloseIdleUntil(std::stop_token stop) {
  Shared& shared = *shared_;
  std::unique_lock lock(shared.mutex);
  while (!stop.stop_requested()) {
    if (shared.order.empty()) {
      shared.kept.wait(lock, stop, [&] { return !shared.order.empty(); });
      continue;
    }
    // Wakes when the least recently kept connection's time runs out; one
    // taken meanwhile only makes this wake early and wait again.
    const Clock::time_point due = shared.order.front().last_used + shared.idle_limit;
    if (shared.kept.wait_until(lock, stop, due, [] { return false; })) continue;
    Closed closed;
    shared.ReleaseIdle(Clock::now(), closed);
    shared.Report();
    lock.unlock();
    closed.clear();
    lock.lock();
  }
}

}  // namespace quorax
