#include "kept/connection_keeper.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace quorax {
namespace {

using std::chrono::seconds;

enum class Op {
  kKeep,  // keeps a new connection for the claim, as `user`, at `second`
  kTake,  // takes the claim's connection at `second`: `expect` 1 when it is the one kept
  kEnd,   // ends the claim, as a session's end does
  kRoom,  // MakeRoom for `user`: `expect` 1 when it closed one
  kIdle,  // CloseIdle at `second`: `expect` connections closed
};

struct Step {
  Op op;
  int claim = 0;
  const char* user = "demo";
  int second = 0;
  int expect = 0;
};

struct Case {
  const char* name;
  size_t capacity;
  std::vector<Step> steps;
  size_t kept_after;
};

// Each case drives one keeper (idle limit 60 s, no background closing) with
// connection objects that never connect: what matters is which one comes back.
// One line per case reads as the sequence it is.
// clang-format off
const Case kCases[] = {
    {"ServedOnlyToItsOwnClaimAndOnce", 4,
     {{Op::kKeep, 0}, {Op::kTake, 1, "demo", 1, 0}, {Op::kTake, 0, "demo", 1, 1}, {Op::kTake, 0, "demo", 1, 0}}, 0},
    {"KeepingAgainReplacesTheClaimsConnection", 4,
     {{Op::kKeep, 0}, {Op::kKeep, 0, "demo", 1}, {Op::kTake, 0, "demo", 2, 1}}, 0},
    {"FullKeeperClosesTheLeastRecentlyKept", 2,
     {{Op::kKeep, 0}, {Op::kKeep, 1, "demo", 1}, {Op::kKeep, 2, "eve", 2}, {Op::kTake, 0, "demo", 3, 0},
      {Op::kTake, 1, "demo", 3, 1}, {Op::kKeep, 1, "demo", 4}, {Op::kKeep, 3, "demo", 5},
      {Op::kTake, 2, "demo", 6, 0}}, 2},
    {"IdleForTheLimitIsClosedOneSecondLessIsNot", 4,
     {{Op::kKeep, 0}, {Op::kKeep, 1, "demo", 1}, {Op::kTake, 1, "demo", 60, 1}, {Op::kTake, 0, "demo", 60, 0},
      {Op::kKeep, 2, "demo", 100}, {Op::kIdle, 0, "", 159, 0}, {Op::kIdle, 0, "", 160, 1}}, 0},
    {"EndingAClaimClosesItsConnection", 4,
     {{Op::kKeep, 0}, {Op::kKeep, 1}, {Op::kEnd, 0}, {Op::kTake, 1, "demo", 1, 1}}, 0},
    {"NoCapacityKeepsNothing", 0, {{Op::kKeep, 0}, {Op::kTake, 0, "demo", 0, 0}}, 0},
    {"RoomComesFromTheUserFirstWhoThenKeepsFewer", 4,
     {{Op::kKeep, 0, "eve", 0}, {Op::kKeep, 1, "demo", 1}, {Op::kKeep, 2, "demo", 2}, {Op::kRoom, 0, "demo", 0, 1},
      {Op::kTake, 1, "demo", 3, 0}, {Op::kKeep, 3, "demo", 4}, {Op::kTake, 2, "demo", 5, 0},
      {Op::kTake, 0, "eve", 5, 1}, {Op::kKeep, 0, "eve", 6}, {Op::kKeep, 4, "eve", 7}}, 3},
    {"LearnedLimitHoldsUntilAQuietMinute", 4,
     {{Op::kKeep, 0}, {Op::kKeep, 1, "demo", 1}, {Op::kRoom, 0, "demo", 2, 1}, {Op::kKeep, 2, "demo", 30},
      {Op::kTake, 1, "demo", 30, 0}, {Op::kKeep, 3, "demo", 62}, {Op::kTake, 2, "demo", 62, 1}}, 1},
    {"RoomForAnUnknownUserComesFromAnyone", 4,
     {{Op::kKeep, 0, "eve", 0}, {Op::kKeep, 1}, {Op::kRoom, 0, "bob", 0, 1}, {Op::kTake, 0, "eve", 2, 0},
      {Op::kRoom, 0, "bob", 0, 1}, {Op::kRoom, 0, "bob", 0, 0}}, 0},
};
// clang-format on

TEST(ConnectionKeeperTest, KeepsWhatEachCaseExpects) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ConnectionKeeper keeper(c.capacity, seconds(60), false);
    const ConnectionKeeper::Clock::time_point start{};
    std::map<int, std::shared_ptr<ConnectionKeeper::Claim>> claims;
    std::map<int, const TCDB*> kept;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      SCOPED_TRACE("step " + std::to_string(i));
      const Step& step = c.steps[i];
      auto& claim = claims[step.claim];
      if (claim == nullptr) claim = keeper.NewClaim();
      const auto at = start + seconds(step.second);
      switch (step.op) {
        case Op::kKeep: {
          auto database = std::make_unique<TCDB>();
          kept[step.claim] = database.get();
          keeper.Keep(*claim, step.user, std::move(database), at);
          break;
        }
        case Op::kTake: {
          const std::unique_ptr<TCDB> taken = keeper.Take(*claim, at);
          EXPECT_EQ(taken.get(), step.expect == 1 ? kept[step.claim] : nullptr);
          break;
        }
        case Op::kEnd:
          claim.reset();
          break;
        case Op::kRoom:
          EXPECT_EQ(keeper.MakeRoom(step.user, at), step.expect == 1);
          break;
        case Op::kIdle:
          EXPECT_EQ(keeper.CloseIdle(at), static_cast<size_t>(step.expect));
          break;
      }
    }
    EXPECT_EQ(keeper.Count(), c.kept_after);
  }
}

TEST(ConnectionKeeperTest, BackgroundClosingEndsIdleConnectionsOnTime) {
  ConnectionKeeper keeper(4, std::chrono::milliseconds(50), true);
  const auto claim = keeper.NewClaim();
  keeper.Keep(*claim, "demo", std::make_unique<TCDB>(), ConnectionKeeper::Clock::now());
  EXPECT_EQ(keeper.Count(), 1u);
  for (int wait = 0; wait < 100 && keeper.Count() != 0; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(keeper.Count(), 0u);
}

}  // namespace
}  // namespace quorax
