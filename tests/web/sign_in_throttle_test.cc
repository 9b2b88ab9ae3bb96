#include "web/sign_in_throttle.h"

#include <gtest/gtest.h>

#include <string>

namespace quorax {
namespace {

using std::chrono::seconds;

class SignInThrottleTest : public ::testing::Test {
 protected:
  void Fail(int times, const std::string& user = "demo", const std::string& address = "10.0.0.1") {
    for (int i = 0; i < times; ++i) throttle_.Failed(address, user);
  }
  bool Refuses(const std::string& user = "demo", const std::string& address = "10.0.0.1") {
    return throttle_.Refuses(address, user);
  }

  std::chrono::steady_clock::time_point now_{};
  SignInThrottle throttle_{[this] { return now_; }, 6};
};

TEST_F(SignInThrottleTest, FifthFailureForANameRefusesThatNameFromThatAddressOnly) {
  Fail(4);
  EXPECT_FALSE(Refuses());
  Fail(1);
  EXPECT_TRUE(Refuses());
  EXPECT_FALSE(Refuses("other"));
  EXPECT_FALSE(Refuses("demo", "10.0.0.2"));
}

// Each refusal doubles the wait from the time of the refusal, up to the window.
TEST_F(SignInThrottleTest, WaitDoublesWithEachRefusalUpToFifteenMinutes) {
  Fail(5);
  now_ += seconds(59);
  EXPECT_TRUE(Refuses());  // the wait is now two minutes
  for (seconds wait : {seconds(120), seconds(240), seconds(480), seconds(900), seconds(900)}) {
    now_ += wait - seconds(1);
    EXPECT_TRUE(Refuses()) << wait.count();
  }
  now_ += seconds(900);
  EXPECT_FALSE(Refuses());
}

TEST_F(SignInThrottleTest, FailureAfterTheWaitBlocksAgainForLonger) {
  Fail(5);
  now_ += seconds(60);
  EXPECT_FALSE(Refuses());
  Fail(1);
  now_ += seconds(119);
  EXPECT_TRUE(Refuses());
}

TEST_F(SignInThrottleTest, TwentyFailuresFromOneAddressRefuseEveryName) {
  for (int i = 0; i < 19; ++i) Fail(1, "user" + std::to_string(i));
  EXPECT_FALSE(Refuses("someone"));
  Fail(1, "user19");
  EXPECT_TRUE(Refuses("someone"));
  EXPECT_FALSE(Refuses("someone", "10.0.0.2"));
}

// Twenty failures for a name from twenty addresses refuse the name from any
// address but those that signed in as it within a day, whose own failures
// do not count toward it.
TEST_F(SignInThrottleTest, TwentyFailuresForANameFromAnyAddressesRefuseItElsewhere) {
  SignInThrottle throttle([this] { return now_; }, 100);
  throttle.Succeeded("10.0.9.1", "demo");
  now_ += seconds(1);
  throttle.Succeeded("10.0.9.2", "demo");
  now_ += std::chrono::hours(24) - seconds(1);  // 10.0.9.1 is known no longer
  for (int i = 0; i < 4; ++i) throttle.Failed("10.0.9.2", "demo");
  for (int i = 0; i < 20; ++i) {
    const std::string address = "10.0.1." + std::to_string(i);
    EXPECT_FALSE(throttle.Refuses(address, "demo")) << i;
    throttle.Failed(address, "demo");
  }
  const struct {
    const char* address;
    const char* user;
    bool refused;
  } cases[] = {
      {"10.0.2.1", "demo", true},  {"10.0.1.0", "demo", true},   {"10.0.9.1", "demo", true},
      {"10.0.9.2", "demo", false}, {"10.0.2.1", "other", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(throttle.Refuses(c.address, c.user), c.refused) << c.address << " " << c.user;
  }
}

TEST_F(SignInThrottleTest, AcceptedSignInClearsTheNamesCount) {
  Fail(4);
  throttle_.Succeeded("10.0.0.1", "demo");
  Fail(4);
  EXPECT_FALSE(Refuses());
}

TEST_F(SignInThrottleTest, CountLapsesFifteenMinutesAfterItsFirstFailure) {
  Fail(4);
  now_ += seconds(899);
  Fail(1);
  EXPECT_TRUE(Refuses());
  throttle_.Succeeded("10.0.0.1", "demo");
  Fail(4);
  now_ += seconds(900);
  Fail(1);
  EXPECT_FALSE(Refuses());
}

// A flood of failures for other names pushes out counts that block nothing,
// never one that blocks; only the bound of blocking counts (two here) ends
// one early: a lapsed one first, else the least recently used.
TEST_F(SignInThrottleTest, FloodNeverFreesABlockedNameOnlyTheBoundOfBlocksDoes) {
  SignInThrottle throttle([this] { return now_; }, 6, 2);
  const auto lock = [&](const std::string& user) {
    for (int i = 0; i < 5; ++i) throttle.Failed("10.0.0.1", user);
  };
  lock("demo");
  for (int i = 0; i < 100; ++i) {
    throttle.Failed("10.0.1." + std::to_string(i), "user" + std::to_string(i));
  }
  EXPECT_EQ(throttle.Count(), 7u);
  EXPECT_TRUE(throttle.Refuses("10.0.0.1", "demo"));
  now_ += seconds(900);  // demo's block lapses but is still held
  lock("a");
  lock("b");
  lock("c");
  const struct {
    const char* user;
    bool refused;
  } cases[] = {{"demo", false}, {"a", false}, {"b", true}, {"c", true}};
  for (const auto& c : cases) EXPECT_EQ(throttle.Refuses("10.0.0.1", c.user), c.refused) << c.user;
}

}  // namespace
}  // namespace quorax
