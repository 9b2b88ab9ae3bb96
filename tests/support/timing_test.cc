#include "support/timing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "common/errors.h"
#include "testing/fake_clock.h"

namespace quorax {
namespace {

using std::chrono::seconds;

class TimingTest : public ::testing::Test {
 protected:
  testkit::FakeClock clock_;
  Timing timing_{clock_.AsClock()};
};

TEST_F(TimingTest, UnknownNameReportsMinusOneAndEndingItCreatesNothing) {
  timing_.EndTiming("never");
  EXPECT_EQ(timing_.GetStartTime("never"), std::nullopt);
  EXPECT_EQ(timing_.GetEndTime("never"), std::nullopt);
  EXPECT_EQ(timing_.GetLapsed("never"), -1);
  EXPECT_EQ(timing_.LapsedString("never"), "<unknown timing>");
}

TEST_F(TimingTest, RunningTimerEndsOneSecondBeforeItsStartAndGrows) {
  timing_.StartTiming("t");
  EXPECT_EQ(timing_.GetStartTime("t"), clock_.Now());
  EXPECT_EQ(timing_.GetEndTime("t"), clock_.Now() - seconds{1});
  EXPECT_EQ(timing_.GetLapsed("t"), 0);
  clock_.Advance(seconds{10});
  EXPECT_EQ(timing_.GetLapsed("t"), 10);
}

TEST_F(TimingTest, EndedTimerStaysFixedAndEndingAgainMovesItsEnd) {
  timing_.StartTiming("t");
  clock_.Advance(seconds{10});
  timing_.EndTiming("t");
  clock_.Advance(seconds{5});
  EXPECT_EQ(timing_.GetLapsed("t"), 10);
  timing_.EndTiming("t");
  EXPECT_EQ(timing_.GetLapsed("t"), 15);
  EXPECT_EQ(timing_.GetEndTime("t"), clock_.Now());
}

TEST_F(TimingTest, LapsedStringSplitsDaysHoursMinutesSeconds) {
  const struct {
    int lapse;
    const char* text;
  } cases[] = {{0, "0 days 00:00:00"},     {111, "0 days 00:01:51"},
               {86405, "1 days 00:00:05"}, {90061, "1 days 01:01:01"},
               {86399, "0 days 23:59:59"}, {1000000, "11 days 13:46:40"}};
  for (const auto& c : cases) {
    timing_.StartTiming("t");
    clock_.Advance(seconds{c.lapse});
    timing_.EndTiming("t");
    EXPECT_EQ(timing_.LapsedString("t"), c.text) << c.lapse;
  }
}

TEST_F(TimingTest, NamesDifferingOnlyInCaseAreSeparateTimers) {
  timing_.StartTiming("Load");
  clock_.Advance(seconds{3});
  timing_.StartTiming("LOAD");
  clock_.Advance(seconds{2});
  timing_.EndTiming("Load");
  EXPECT_EQ(timing_.GetLapsed("Load"), 5);
  EXPECT_EQ(timing_.GetLapsed("LOAD"), 2);
  EXPECT_EQ(timing_.GetLapsed("load"), -1);
}

TEST_F(TimingTest, The32768thNameOverflowsAndLeavesTheTimersUnchanged) {
  for (int i = 0; i < 32767; ++i) timing_.StartTiming(std::to_string(i));
  EXPECT_THROW(timing_.StartTiming("one too many"), Overflow);
  EXPECT_EQ(timing_.GetLapsed("one too many"), -1);
  clock_.Advance(seconds{4});
  EXPECT_NO_THROW(timing_.StartTiming("32766"));
  EXPECT_EQ(timing_.GetStartTime("32766"), clock_.Now());
}

TEST(FormatTimeTest, UsesTwentyFourHoursAndEnglishMonths) {
  using namespace std::chrono;
  const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (unsigned m = 1; m <= 12; ++m) {
    const LocalTime time = local_days{year{2027} / month{m} / 1} + hours{23} + seconds{7};
    EXPECT_EQ(FormatTime(time), std::string("23:00:07 01/") + months[m - 1] + "/2027");
  }
  testkit::FakeClock clock;
  EXPECT_EQ(FormatTime(clock.Now()), "14:05:09 06/Dec/2026");
}

// Sets the TZ environment variable for one scope.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

TEST(SystemClockTest, ReadsTheLocalTimeOfTheMachineInWholeSeconds) {
  using namespace std::chrono;
  ScopedTimeZone zone("QRX-03");  // three hours east of UTC, no daylight saving
  const auto utc = floor<seconds>(system_clock::now()).time_since_epoch();
  const auto offset = SystemClock().time_since_epoch() - utc;
  EXPECT_GE(offset, hours{3});
  EXPECT_LE(offset, hours{3} + seconds{1});
}

}  // namespace
}  // namespace quorax
