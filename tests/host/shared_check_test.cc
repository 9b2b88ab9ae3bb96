#include "host/shared_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorax {
namespace {

using std::chrono::milliseconds;

class SharedCheckTest : public ::testing::Test {
 protected:
  // Asks once; the answer goes to `answers_`.
  void Ask() {
    check_.Ask([this](const std::string& result) { answers_.push_back(result); });
  }
  // Runs the jobs handed to the executor so far, as a worker would.
  void RunJobs() {
    std::vector<SerialQueue::Job> jobs = std::move(jobs_);
    jobs_.clear();
    for (const SerialQueue::Job& job : jobs) job();
  }

  std::chrono::steady_clock::time_point now_{};
  int checks_ = 0;
  std::vector<SerialQueue::Job> jobs_;
  std::vector<std::string> answers_;
  SharedCheck check_{[this] { return "check " + std::to_string(++checks_); },
                     [this](SerialQueue::Job job) { jobs_.push_back(std::move(job)); },
                     milliseconds(1000), [this] { return now_; }};
};

// Callers while a check runs share it. Freshness counts from the end of the
// check, so a slow check still spaces the next one by a whole second.
TEST_F(SharedCheckTest, OneCheckAnswersEveryCallerUntilASecondAfterItEnded) {
  for (int i = 0; i < 3; ++i) Ask();
  EXPECT_TRUE(answers_.empty());
  ASSERT_EQ(jobs_.size(), 1u);
  now_ += milliseconds(3000);  // a slow database
  RunJobs();
  EXPECT_EQ(answers_, std::vector<std::string>(3, "check 1"));
  const auto ended = now_;
  const struct {
    int after_ms;
    const char* answer;  // nullptr: a new check must run first
  } steps[] = {{0, "check 1"}, {999, "check 1"}, {1000, nullptr}, {1500, "check 2"}};
  for (const auto& step : steps) {
    now_ = ended + milliseconds(step.after_ms);
    answers_.clear();
    Ask();
    if (step.answer != nullptr) {
      EXPECT_EQ(answers_, std::vector<std::string>{step.answer}) << step.after_ms;
      EXPECT_TRUE(jobs_.empty()) << step.after_ms;
    } else {
      EXPECT_TRUE(answers_.empty()) << step.after_ms;
      RunJobs();
    }
  }
  EXPECT_EQ(checks_, 2);
}

}  // namespace
}  // namespace quorax
