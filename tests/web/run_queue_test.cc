#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/errors.h"
#include "web/run_queue.h"

namespace quorax {
namespace {

using namespace std::chrono_literals;

std::shared_ptr<FileRun> RunOf(const std::string& user, const std::string& name) {
  RunOrder order;
  order.user = user;
  order.file_name = name;
  return std::make_shared<FileRun>(std::move(order));
}

// A queue whose work records each run's start and holds it until the test
// lets that many runs end.
class RunQueueTest : public ::testing::Test {
 protected:
  void Start(size_t workers, size_t per_login) {
    queue_ = std::make_unique<RunQueue>(RunLimits{.workers = workers, .per_login = per_login},
                                        [this](FileRun& run, RunStop&) {
                                          std::unique_lock lock(mutex_);
                                          started_.push_back(run.order().file_name);
                                          changed_.notify_all();
                                          const size_t mine = started_.size();
                                          changed_.wait(lock, [&] { return released_ >= mine; });
                                          run.SetStage(FileRun::Stage::kDone);
                                        });
  }
  std::shared_ptr<FileRun> Submit(const std::string& user, const std::string& name) {
    auto run = RunOf(user, name);
    queue_->Submit(run);
    return run;
  }
  // Waits until `count` runs started; returns their names in order.
  std::string Started(size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, 5s, [&] { return started_.size() >= count; });
    std::string names;
    for (const std::string& name : started_) names += name + " ";
    return names;
  }
  // Lets the first `count` runs that started end.
  void Release(size_t count) {
    std::lock_guard lock(mutex_);
    released_ = count;
    changed_.notify_all();
  }
  void TearDown() override {
    Release(1000);
    queue_.reset();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> started_;
  size_t released_ = 0;
  std::unique_ptr<RunQueue> queue_;
};

// Tester A's six runs do not keep B's one waiting behind them all: logins
// take turns, and each place shown is the order the turns will take.
TEST_F(RunQueueTest, LoginsTakeTurns) {
  Start(1, 2);
  Submit("a", "a1");
  Started(1);
  std::vector<std::shared_ptr<FileRun>> a;
  for (const char* name : {"a2", "a3", "a4", "a5", "a6"}) a.push_back(Submit("a", name));
  const auto b = Submit("b", "b1");
  EXPECT_EQ(queue_->PlaceOf(*a[0]), 1u);
  EXPECT_EQ(queue_->PlaceOf(*b), 2u);
  EXPECT_EQ(queue_->PlaceOf(*a[1]), 3u);
  EXPECT_EQ(queue_->PlaceOf(*a[4]), 6u);
  for (size_t ended = 1; ended <= 3; ++ended) {
    Release(ended);
    Started(ended + 1);
  }
  EXPECT_EQ(Started(4), "a1 a2 b1 a3 ");
}

// One login has at most its limit of runs going, even with workers to
// spare; another login's run starts at once; a run cancelled while waiting
// ends at once and gives up its place.
TEST_F(RunQueueTest, OneLoginHoldsAtMostItsLimitAndAWaitingRunCancelsAtOnce) {
  Start(4, 2);
  Submit("a", "a1");
  Submit("a", "a2");
  Started(2);
  const auto a3 = Submit("a", "a3");
  const auto a4 = Submit("a", "a4");
  Submit("b", "b1");
  EXPECT_TRUE(Started(3).ends_with("b1 "));
  queue_->Cancel(*a3);
  EXPECT_EQ(a3->Snapshot().stage, FileRun::Stage::kCancelled);
  EXPECT_EQ(queue_->PlaceOf(*a4), 1u);
  Release(1);
  EXPECT_TRUE(Started(4).ends_with("a4 "));
}

// A run's stop: the server's stop before the time limit, the limit before a
// cancel; Ask raises Stopped with the tester's words.
TEST(RunStopTest, SaysWhyARunEnds) {
  struct Case {
    bool server_stopping;
    std::chrono::seconds started_ago;
    bool cancelled;
    FileRun::Stage stage;
    const char* message;  // nullptr: the run goes on
  } cases[] = {
      {false, 0s, false, FileRun::Stage::kQueued, nullptr},
      {false, 0s, true, FileRun::Stage::kCancelled, ""},
      {false, 60s, true, FileRun::Stage::kFailed,
       "The run took longer than 60 seconds, this server's limit; the rows before were "
       "recorded."},
      {true, 60s, true, FileRun::Stage::kServerStopped, "The server stopped during the run."},
  };
  for (const Case& c : cases) {
    const auto run = RunOf("a", "a1");
    if (c.cancelled) run->Cancel();
    const std::atomic<bool> stopping{c.server_stopping};
    const RunStop stop(*run, stopping, 60s, RunStop::Clock::now() - c.started_ago);
    const auto ending = stop.Reason();
    ASSERT_EQ(ending.has_value(), c.message != nullptr) << c.cancelled;
    if (c.message == nullptr) {
      EXPECT_NO_THROW(stop.Check()());
      continue;
    }
    EXPECT_EQ(ending->stage, c.stage);
    EXPECT_EQ(ending->message, c.message);
    EXPECT_THROW(stop.Check()(), Stopped);
  }
}

}  // namespace
}  // namespace quorax
