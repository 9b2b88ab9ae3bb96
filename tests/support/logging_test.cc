#include "support/logging.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "common/errors.h"
#include "testing/fake_clock.h"
#include "testing/temp_dir.h"

namespace quorax {
namespace {

using std::chrono::seconds;

const std::string kRule(96, '=');

class LoggingTest : public ::testing::Test {
 protected:
  std::string LogPath() const { return dir_.Path("run.log"); }
  std::string LogText() const { return dir_.Read("run.log"); }

  testkit::TempDir dir_;
  testkit::FakeClock clock_;
  Logging log_{clock_.AsClock()};
};

TEST_F(LoggingTest, WritesHeaderEntriesAndFooterWithCrLfLines) {
  ASSERT_EQ(log_.StartLog(LogPath()), 0);
  EXPECT_TRUE(log_.IsOpen());
  EXPECT_EQ(log_.GetLogName(), LogPath());
  clock_.Advance(seconds{1});
  EXPECT_EQ(log_.AppendLog("first"), 0);
  clock_.Advance(seconds{86404});
  EXPECT_EQ(log_.AppendLog("two\r\nlines"), 0);
  log_.EndLog();
  EXPECT_EQ(LogText(), "Log file started at 14:05:09 06/Dec/2026\r\n" + kRule +
                           "\r\n"
                           "\r\n"
                           "14:05:10 06/Dec/2026:\r\n"
                           "first\r\n"
                           "\r\n"
                           "14:05:14 07/Dec/2026:\r\n"
                           "two\r\nlines\r\n"
                           "\r\n"
                           "\r\n" +
                           kRule +
                           "\r\n"
                           "Log file closed at 14:05:14 07/Dec/2026\r\n"
                           "Log file run time: 1 days 00:00:05\r\n");
}

TEST_F(LoggingTest, EndLogClosesOnceAndForgetsTheName) {
  ASSERT_EQ(log_.StartLog(LogPath()), 0);
  log_.EndLog();
  EXPECT_FALSE(log_.IsOpen());
  EXPECT_EQ(log_.GetLogName(), "");
  const std::string closed = LogText();
  EXPECT_NE(closed.find("Log file run time: 0 days 00:00:00\r\n"), std::string::npos);
  log_.EndLog();
  EXPECT_EQ(LogText(), closed);
  EXPECT_EQ(log_.AppendLog("late"), -1);
  EXPECT_EQ(LogText(), closed);
}

TEST_F(LoggingTest, EmptyNameAndSecondStartAreRefused) {
  EXPECT_EQ(log_.StartLog(""), -1);
  EXPECT_FALSE(log_.IsOpen());
  ASSERT_EQ(log_.StartLog(LogPath()), 0);
  const std::string first = LogText();
  clock_.Advance(seconds{30});
  EXPECT_EQ(log_.StartLog(dir_.Path("second.log")), -2);
  EXPECT_EQ(log_.GetLogName(), LogPath());
  EXPECT_EQ(LogText(), first);
  log_.EndLog();
  EXPECT_NE(LogText().find("run time: 0 days 00:00:30"), std::string::npos)
      << "the refused start must not restart the timer";
}

TEST_F(LoggingTest, AppendBeforeAnyLogCreatesNoFile) {
  EXPECT_EQ(log_.AppendLog("nowhere"), -1);
  EXPECT_TRUE(dir_.IsEmpty());
}

TEST_F(LoggingTest, DestructionWritesTheFooter) {
  {
    Logging scoped(clock_.AsClock());
    ASSERT_EQ(scoped.StartLog(LogPath()), 0);
    clock_.Advance(seconds{111});
  }
  const std::string text = LogText();
  const std::string tail = "Log file run time: 0 days 00:01:51\r\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(LoggingTest, NextLogOverwritesItsFileAndRestartsTheTimer) {
  dir_.Write("run.log", std::string(5000, 'x'));
  ASSERT_EQ(log_.StartLog(dir_.Path("earlier.log")), 0);
  clock_.Advance(seconds{50});
  log_.EndLog();
  ASSERT_EQ(log_.StartLog(LogPath()), 0);
  clock_.Advance(seconds{2});
  log_.EndLog();
  const std::string text = LogText();
  EXPECT_EQ(text.find('x'), std::string::npos);
  EXPECT_EQ(text.rfind("Log file started at 14:05:59 06/Dec/2026\r\n", 0), 0u);
  EXPECT_NE(text.find("run time: 0 days 00:00:02"), std::string::npos);
}

TEST_F(LoggingTest, FailureToCreateOrWriteRaisesAndLeavesTheLogClosed) {
  EXPECT_THROW(log_.StartLog(dir_.Path("no/such/dir.log")), PlatformFailure);
  EXPECT_FALSE(log_.IsOpen());
  EXPECT_THROW(log_.StartLog("/dev/full"), PlatformFailure);
  EXPECT_FALSE(log_.IsOpen());
  EXPECT_EQ(log_.StartLog(LogPath()), 0);
}

}  // namespace
}  // namespace quorax
