#include "host/session_store.h"

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
  SessionStore store_{milliseconds(1000), 3, InlineExecutor()};
  Clock::time_point t0_ = Clock::now();

  // A session created and released at `at`.
  std::string Idle(Clock::time_point at) {
    auto acquired = store_.Acquire("", at);
    store_.Release(acquired.entry, at);
    return acquired.entry->id;
  }

  // A session whose client came back for a second request at `at`.
  std::string Returned(Clock::time_point at) {
    std::string id = Idle(at);
    store_.Release(store_.Acquire(id, at).entry, at);
    return id;
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
  auto again = store_.Acquire(first.entry->id, t0_ + milliseconds(10));
  EXPECT_FALSE(again.is_new);
  EXPECT_EQ(again.entry->session.GetText("user"), "tester");
}

TEST_F(SessionStoreTest, UnknownIdGetsNewSession) {
  auto acquired = store_.Acquire("00000000000000000000000000000000", t0_);
  EXPECT_TRUE(acquired.is_new);
  EXPECT_NE(acquired.entry->id, "00000000000000000000000000000000");
}

TEST_F(SessionStoreTest, ExpiresAfterIdleTimeoutNotBefore) {
  std::string id = Idle(t0_);
  auto before = store_.Acquire(id, t0_ + milliseconds(999));
  EXPECT_FALSE(before.is_new);
  store_.Release(before.entry, t0_ + milliseconds(999));
  // Idle time counts from the last release.
  auto at_timeout = store_.Acquire(id, t0_ + milliseconds(1999));
  EXPECT_TRUE(at_timeout.is_new);
}

TEST_F(SessionStoreTest, SessionInUseNeverExpires) {
  auto busy = store_.Acquire("", t0_);
  EXPECT_EQ(store_.PurgeExpired(t0_ + milliseconds(5000)), 0u);
  EXPECT_EQ(store_.Count(), 1u);
  store_.Release(busy.entry, t0_ + milliseconds(5000));
  EXPECT_EQ(store_.PurgeExpired(t0_ + milliseconds(6000)), 1u);
  EXPECT_EQ(store_.Count(), 0u);
}

TEST_F(SessionStoreTest, CapRefusesNewSessionWhileAllAreLiveAndReturned) {
  Returned(t0_);
  Returned(t0_);
  Returned(t0_);
  auto refused = store_.Acquire("", t0_ + milliseconds(999));
  EXPECT_EQ(refused.entry, nullptr);
  EXPECT_EQ(store_.Count(), 3u);
}

TEST_F(SessionStoreTest, CapMakesRoomByDroppingOldestOneRequestSession) {
  std::string kept = Returned(t0_);
  std::string older = Idle(t0_ + milliseconds(10));
  std::string newer = Idle(t0_ + milliseconds(20));
  auto acquired = store_.Acquire("", t0_ + milliseconds(30));
  ASSERT_NE(acquired.entry, nullptr);
  EXPECT_EQ(store_.Count(), 3u);
  EXPECT_TRUE(store_.Acquire(older, t0_ + milliseconds(40)).is_new);
  EXPECT_FALSE(store_.Acquire(newer, t0_ + milliseconds(40)).is_new);
  EXPECT_FALSE(store_.Acquire(kept, t0_ + milliseconds(40)).is_new);
}

TEST_F(SessionStoreTest, CapPurgesExpiredSessionsFirst) {
  Idle(t0_);
  Idle(t0_);
  Idle(t0_ + milliseconds(500));
  auto acquired = store_.Acquire("", t0_ + milliseconds(1000));
  ASSERT_NE(acquired.entry, nullptr);
  EXPECT_EQ(store_.Count(), 2u);
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

}  // namespace
}  // namespace quorax
