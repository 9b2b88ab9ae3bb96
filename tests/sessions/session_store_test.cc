#include "sessions/session_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

namespace quorax {
namespace {

using std::chrono::milliseconds;
using Clock = SessionStore::Clock;

SerialQueue::Executor InlineExecutor() {
  return [](SerialQueue::Job job) { job(); };
}

class SessionStoreTest : public ::testing::Test {
 protected:
  // A timeout of 1000 ms, 3 sessions, 2 signed-in sessions per user.
  SessionStore store_{milliseconds(1000), 3, InlineExecutor(), 2};
  Clock::time_point t0_ = Clock::now();

  Clock::time_point At(int ms) const { return t0_ + milliseconds(ms); }

  // A session created at `at`, signed in to by `user` unless empty, and
  // released unless `held`.
  std::shared_ptr<SessionEntry> Open(Clock::time_point at, const std::string& user = "",
                                     bool held = false) {
    auto entry = store_.Acquire("", at).entry;
    if (!user.empty()) store_.MarkSignedIn(entry, user);
    if (!held) store_.Release(entry, at);
    return entry;
  }

  // Whether a request for `id` at `at` finds its session (and releases it).
  bool Finds(const std::string& id, Clock::time_point at) {
    auto acquired = store_.Acquire(id, at);
    if (acquired.entry != nullptr) store_.Release(acquired.entry, at);
    return acquired.entry != nullptr && !acquired.is_new;
  }
};

TEST_F(SessionStoreTest, NewSessionHasRandomHexId) {
  auto first = store_.Acquire("", t0_);
  auto second = store_.Acquire("", t0_);
  EXPECT_TRUE(first.is_new);
  EXPECT_EQ(first.entry->id.size(), 32u);
  EXPECT_EQ(first.entry->id.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_NE(first.entry->id, second.entry->id);
}

TEST_F(SessionStoreTest, KnownIdReturnsSameSessionAndValues) {
  auto first = store_.Acquire("", t0_);
  first.entry->session.SetText("User", "tester");
  store_.Release(first.entry, t0_);
  auto again = store_.Acquire(first.entry->id, At(10));
  EXPECT_FALSE(again.is_new);
  EXPECT_EQ(again.entry->session.GetText("user"), "tester");
}

TEST_F(SessionStoreTest, UnknownIdGetsNewSession) {
  auto acquired = store_.Acquire("00000000000000000000000000000000", t0_);
  EXPECT_TRUE(acquired.is_new);
  EXPECT_NE(acquired.entry->id, "00000000000000000000000000000000");
}

TEST_F(SessionStoreTest, ExpiresAfterIdleTimeoutNotBefore) {
  std::string id = Open(t0_)->id;
  auto before = store_.Acquire(id, At(999));
  EXPECT_FALSE(before.is_new);
  store_.Release(before.entry, At(999));
  // Idle time counts from the last release.
  auto at_timeout = store_.Acquire(id, At(1999));
  EXPECT_TRUE(at_timeout.is_new);
}

TEST_F(SessionStoreTest, SessionInUseNeverExpires) {
  auto busy = store_.Acquire("", t0_);
  EXPECT_EQ(store_.PurgeExpired(At(5000)), 0u);
  EXPECT_EQ(store_.Count(), 1u);
  store_.Release(busy.entry, At(5000));
  EXPECT_EQ(store_.PurgeExpired(At(6000)), 1u);
  EXPECT_EQ(store_.Count(), 0u);
}

// A full store makes room by dropping an expired session, else the least
// recently used idle guest; signed-in and busy sessions are never dropped.
TEST_F(SessionStoreTest, FullStoreEvictsExpiredThenOldestGuestElseRefuses) {
  struct Visit {
    std::string user;  // empty: a guest
    int created_ms;
    int returned_ms = -1;  // -1: never came back
    bool held = false;     // still in use when the new visitor comes
  };
  struct Case {
    std::string name;
    std::vector<Visit> visits;
    int evicted;  // index into visits; -1: the new visitor is refused
  };
  const std::vector<Case> cases = {
      {"expired member before live guests", {{"ann", 0}, {"", 600}, {"", 700}}, 0},
      {"oldest guest, member kept", {{"ann", 100}, {"", 200}, {"", 300}}, 1},
      {"least recently used guest", {{"", 100, 350}, {"", 200}, {"ann", 300}}, 1},
      {"all signed in", {{"ann", 100}, {"bob", 200}, {"cy", 300}}, -1},
      {"busy guest kept", {{"", 100, -1, true}, {"ann", 200}, {"bob", 300}}, -1},
  };
  int base = 0;  // each case starts when the previous one's sessions expired
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    base += 10'000;
    store_.PurgeExpired(At(base));
    std::vector<std::shared_ptr<SessionEntry>> entries;
    for (const Visit& v : c.visits)
      entries.push_back(Open(At(base + v.created_ms), v.user, v.held));
    for (size_t i = 0; i < entries.size(); ++i) {
      int back = c.visits[i].returned_ms;
      if (back >= 0) {
        EXPECT_TRUE(Finds(entries[i]->id, At(base + back)));
      }
    }
    auto fresh = store_.Acquire("", At(base + 1000));
    EXPECT_EQ(fresh.entry == nullptr, c.evicted < 0);
    for (size_t i = 0; i < entries.size(); ++i) {
      if (static_cast<int>(i) != c.evicted) {
        EXPECT_TRUE(Finds(entries[i]->id, At(base + 1000))) << i;
      }
    }
    EXPECT_EQ(store_.Count(), 3u);
    if (fresh.entry != nullptr) store_.Release(fresh.entry, At(base + 1000));
    for (size_t i = 0; i < entries.size(); ++i) {
      if (c.visits[i].held) store_.Release(entries[i], At(base + 1000));
    }
  }
}

// A client's new guest beyond its limit takes the place of that client's
// least recently used idle guest; no other client's session, no signed-in
// one and no busy one.
TEST_F(SessionStoreTest, ClientAtItsGuestLimitReplacesItsOwnOldestIdleGuest) {
  struct Visit {
    std::string client;
    int created_ms;
    int returned_ms = -1;  // -1: never came back
    std::string user = "";
    bool held = false;
  };
  constexpr int kNone = -1, kRefused = -2;
  const struct {
    std::string name;
    std::vector<Visit> visits;
    int evicted;  // index into visits, kNone or kRefused
  } cases[] = {
      {"oldest own guest, others kept", {{"a", 100}, {"b", 150}, {"a", 200}}, 0},
      {"least recently used", {{"a", 100, 300}, {"b", 150}, {"a", 200}}, 2},
      {"signed-in sessions do not count", {{"a", 100, -1, "ann"}, {"a", 200}}, kNone},
      {"busy guest kept", {{"a", 100, -1, "", true}, {"a", 200}}, 1},
      {"every guest busy", {{"a", 100, -1, "", true}, {"a", 200, -1, "", true}}, kRefused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Room for 10 sessions, 2 guests per client.
    SessionStore store(milliseconds(1000), 10, InlineExecutor(), 20, 2);
    auto finds = [&](const std::shared_ptr<SessionEntry>& entry, int ms) {
      auto acquired = store.Acquire(entry->id, At(ms), "probe");
      if (acquired.entry != nullptr) store.Release(acquired.entry, At(ms));
      return acquired.entry == entry;
    };
    std::vector<std::shared_ptr<SessionEntry>> entries;
    for (const Visit& v : c.visits) {
      entries.push_back(store.Acquire("", At(v.created_ms), v.client).entry);
      if (!v.user.empty()) store.MarkSignedIn(entries.back(), v.user);
      if (!v.held) store.Release(entries.back(), At(v.created_ms));
    }
    for (size_t i = 0; i < entries.size(); ++i) {
      if (c.visits[i].returned_ms >= 0) {
        EXPECT_TRUE(finds(entries[i], c.visits[i].returned_ms));
      }
    }
    auto fresh = store.Acquire("", At(500), "a");
    EXPECT_EQ(fresh.entry == nullptr, c.evicted == kRefused);
    for (size_t i = 0; i < entries.size(); ++i) {
      if (!c.visits[i].held) {
        EXPECT_EQ(finds(entries[i], 600), static_cast<int>(i) != c.evicted) << i;
      }
    }
  }
}

TEST_F(SessionStoreTest, FullStoreServesStreamOfNewVisitorsInBoundedWork) {
  SessionStore store(milliseconds(1000), 1000, InlineExecutor());
  std::vector<std::string> members;
  for (int i = 0; i < 100; ++i) {
    auto entry = store.Acquire("", t0_).entry;
    store.MarkSignedIn(entry, "user" + std::to_string(i));
    store.Release(entry, t0_);
    members.push_back(entry->id);
  }
  size_t most = 0;
  for (int i = 0; i < 5000; ++i) {
    auto entry = store.Acquire("", At(i / 10)).entry;
    ASSERT_NE(entry, nullptr);
    most = std::max(most, store.LastVisited());
    store.Release(entry, At(i / 10));
    most = std::max(most, store.LastVisited());
  }
  EXPECT_LE(most, 6u);
  EXPECT_EQ(store.Count(), 1000u);
  EXPECT_FALSE(store.Acquire(members.front(), At(500)).is_new);
  // When all have expired, a request still does bounded work; the purge
  // removes the rest.
  store.Acquire("", At(1500));
  EXPECT_LE(store.LastVisited(), 6u);
  EXPECT_EQ(store.PurgeExpired(At(1500)), 997u);
  EXPECT_EQ(store.Count(), 2u);  // the two in use
}

// Beyond the cap the user's least recently used idle session ends, however
// early it signed in; one serving a request never does, so while all are
// busy the user holds one more.
TEST_F(SessionStoreTest, SigningInBeyondPerUserCapEndsLeastRecentlyUsedIdleSession) {
  auto first = Open(At(0), "ann");
  auto second = Open(At(10), "ann");
  EXPECT_TRUE(Finds(first->id, At(20)));
  auto third = store_.Acquire(Open(At(30))->id, At(40)).entry;  // a guest signs in
  store_.MarkSignedIn(third, "ann");
  store_.MarkSignedIn(third, "ann");  // again: still one session
  store_.Release(third, At(40));
  EXPECT_EQ(store_.Count(), 2u);
  EXPECT_FALSE(Finds(second->id, At(50)));
  EXPECT_TRUE(Finds(first->id, At(60)));
  auto busy_first = store_.Acquire(first->id, At(70)).entry;
  auto busy_third = store_.Acquire(third->id, At(70)).entry;
  auto fourth = Open(At(80), "ann");
  store_.Release(busy_first, At(90));
  store_.Release(busy_third, At(90));
  for (const auto& entry : {first, third, fourth}) EXPECT_TRUE(Finds(entry->id, At(100)));
}

TEST_F(SessionStoreTest, RotateGivesNewIdAndKeepsValues) {
  auto entry = store_.Acquire("", t0_).entry;
  entry->session.SetText("User", "ann");
  std::string old_id = entry->id;
  std::string new_id = store_.Rotate(entry);
  store_.Release(entry, t0_);
  EXPECT_NE(new_id, old_id);
  EXPECT_EQ(entry->id, new_id);
  auto again = store_.Acquire(new_id, At(10));
  EXPECT_EQ(again.entry, entry);
  EXPECT_EQ(again.entry->session.GetText("User"), "ann");
  store_.Release(again.entry, At(10));
  EXPECT_FALSE(Finds(old_id, At(20)));
}

TEST_F(SessionStoreTest, AbandonedSessionIsRemovedAfterItsRequest) {
  auto acquired = store_.Acquire("", t0_);
  store_.Abandon(acquired.entry);
  EXPECT_EQ(store_.Count(), 1u);
  store_.Release(acquired.entry, t0_);
  EXPECT_EQ(store_.Count(), 0u);
  EXPECT_TRUE(store_.Acquire(acquired.entry->id, t0_).is_new);
}

// An executor that starts a thread per job, to show that one queue never
// runs two jobs at once even though the executor would.
class ThreadExecutor {
 public:
  SerialQueue::Executor executor() {
    return [this](SerialQueue::Job job) {
      std::lock_guard lock(mutex_);
      threads_.emplace_back(std::move(job));
    };
  }
  // Joins every thread, including those started by jobs while joining.
  ~ThreadExecutor() {
    for (size_t joined = 0;; ++joined) {
      std::thread* next = nullptr;
      {
        std::lock_guard lock(mutex_);
        if (joined == threads_.size()) break;
        next = &*std::next(threads_.begin(), static_cast<long>(joined));
      }
      next->join();
    }
  }

 private:
  std::mutex mutex_;
  std::list<std::thread> threads_;
};

TEST(SerialQueueTest, RunsJobsOneAtATimeInOrder) {
  std::vector<int> order;
  std::atomic<int> running{0};
  std::atomic<int> max_running{0};
  {
    auto threads = std::make_unique<ThreadExecutor>();
    auto queue = std::make_shared<SerialQueue>(threads->executor());
    for (int i = 0; i < 5; ++i) {
      queue->Post([&, i] {
        max_running = std::max(max_running.load(), ++running);
        std::this_thread::sleep_for(milliseconds(5));
        order.push_back(i);
        --running;
      });
    }
  }
  EXPECT_EQ(max_running.load(), 1);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(SerialQueueTest, RunOrPostRunsHereOnlyWhenNothingIsQueuedOrRunning) {
  std::vector<SerialQueue::Job> handed;  // jobs given to the executor, not yet run
  auto queue = std::make_shared<SerialQueue>(
      [&](SerialQueue::Job job) { handed.push_back(std::move(job)); });
  std::vector<int> order;
  queue->RunOrPost([&] { order.push_back(1); });
  EXPECT_EQ(order, std::vector<int>{1});
  EXPECT_TRUE(handed.empty());
  queue->Post([&] { order.push_back(2); });
  queue->RunOrPost([&] { order.push_back(3); });
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_EQ(order, std::vector<int>{1});
  for (size_t next = 0; next < handed.size(); ++next) {
    SerialQueue::Job job = std::move(handed[next]);
    job();
  }
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

}  // namespace
}  // namespace quorax
