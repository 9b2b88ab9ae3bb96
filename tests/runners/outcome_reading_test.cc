#include <gtest/gtest.h>

#include <string>

#include "runners/runner_report.h"

namespace quorax::runners {
namespace {

// One line of a Cucumber message stream for a pickle "s" of feature "F" tagged @C1 whose one
// step ends with `status`, in attempt `attempt`.
std::string Attempt(int attempt, const std::string& status, bool retried) {
  const std::string id = "\"a" + std::to_string(attempt) + "\"";
  return "{\"testCaseStarted\":{\"id\":" + id +
         ",\"testCaseId\":\"c\",\"attempt\":" + std::to_string(attempt) +
         "}}\n{\"testStepFinished\":{\"testCaseStartedId\":" + id +
         ",\"testStepId\":\"t\",\"testStepResult\":{\"status\":\"" + status +
         "\",\"message\":\"timed out\"}}}\n{\"testCaseFinished\":{\"testCaseStartedId\":" + id +
         ",\"willBeRetried\":" + (retried ? "true" : "false") + "}}\n";
}

const std::string kStream =
    "{\"gherkinDocument\":{\"uri\":\"f\",\"feature\":{\"name\":\"F\"}}}\n"
    "{\"pickle\":{\"id\":\"p\",\"uri\":\"f\",\"name\":\"s\",\"tags\":[{\"name\":\"@C1\"}],"
    "\"steps\":[{\"id\":\"ps\",\"text\":\"go\"}]}}\n"
    "{\"testCase\":{\"id\":\"c\",\"pickleId\":\"p\",\"testSteps\":[{\"id\":\"t\","
    "\"pickleStepId\":\"ps\"}]}}\n";

// How each runner's way of saying "not run", "passed on a rerun" or "failed, and why" becomes
// the first test's verdict and one-line reason: the message unless it is a bare status word,
// else the first line of the text that is not the runner's boilerplate or the test's own name.
TEST(RunnerOutcomes, VerdictAndReasonOfEachRunnersWording) {
  const struct {
    std::string bytes;
    Verdict verdict;
    std::string reason;
    std::string name = {};  // checked when set
  } kCases[] = {
      // node: nested describe blocks name the test; a todo test that fails is expected to.
      {"<testsuites><testsuite name=\"cart\"><testsuite name=\"C3 coupon\"><testcase name=\"t\" "
       "classname=\"test\"><skipped type=\"todo\"/><failure message=\"boom\"/></testcase>"
       "</testsuite></testsuite></testsuites>",
       Verdict::Untested, "expected to fail: boom", "cart.C3 coupon.t"},
      {"<testsuites><testcase name=\"t\" classname=\"test\"><properties><property name=\"todo\" "
       "value=\"\"/></properties></testcase></testsuites>",
       Verdict::Untested, "todo", "t"},
      // GoogleTest: the expectation when the test adds no message, the location after it when
      // there is room for it in a note.
      {"<testsuite><testcase name=\"t\"><failure message=\"C:\\ci\\shop_test.cc(14)&#x0A;Value of: "
       "ok&#x0A;  Actual: false&#x0A;Expected: true\"/></testcase></testsuite>",
       Verdict::Failed, "Expected: true (shop_test.cc:14)"},
      {"<testsuite><testcase name=\"t\"><skipped message=\"a.cc:3&#x0A;" + std::string(250, 'x') +
           "\"/></testcase></testsuite>",
       Verdict::Untested, std::string(250, 'x')},
      // Surefire: passed on a rerun, failed every rerun.
      {"<testsuite><testcase classname=\"a.B\" name=\"t\"><flakyFailure message=\"timeout\">"
       "<stackTrace>at a.B.t</stackTrace></flakyFailure></testcase></testsuite>",
       Verdict::Passed, "passed on a rerun after: timeout"},
      {"<testsuite><testcase name=\"t\"><rerunFailure message=\"boom\"/>"
       "<rerunFailure message=\"boom again\"/></testcase></testsuite>",
       Verdict::Failed, "boom"},
      // ctest: disabled and not run, with nothing but a status; a failure with its output.
      {"<testsuite><testcase name=\"x\" classname=\"x\" status=\"disabled\">"
       "<system-out>Disabled</system-out></testcase></testsuite>",
       Verdict::Untested, "disabled"},
      {"<testsuite><testcase name=\"x\" status=\"notrun\"/></testsuite>", Verdict::Untested,
       "notrun"},
      {"<testsuite><testcase name=\"x\" status=\"fail\"><failure message=\"\"/>"
       "<system-out>\nno results for hats\n</system-out></testcase></testsuite>",
       Verdict::Failed, "no results for hats"},
      // gotestsum, PHPUnit and Catch2 boilerplate before the reason.
      {"<testsuite><testcase classname=\"p\" name=\"TestA/b\"><failure message=\"Failed\">"
       "=== RUN   TestA/b\n    a_test.go:9: want 2\n--- FAIL: TestA/b (0.00s)\n</failure>"
       "</testcase></testsuite>",
       Verdict::Failed, "a_test.go:9: want 2"},
      {"<testsuite><testcase classname=\"Shop\" name=\"testA with data set #1\"><failure>"
       "Shop::testA with data set #1 ('x')\n\nFailed asserting that false is true.\n</failure>"
       "</testcase></testsuite>",
       Verdict::Failed, "Failed asserting that false is true."},
      {"<testsuite><testcase name=\"sum\"><failure type=\"REQUIRE\">FAILED:\n  REQUIRE( x == 2 )\n"
       "with expansion:\n  1 == 2\n</failure></testcase></testsuite>",
       Verdict::Failed, "REQUIRE( x == 2 )"},
      {"<testsuite><testcase name=\"t\"><error message=\"Error\"/></testcase></testsuite>",
       Verdict::Failed, "Error"},
      {"<testsuite><testcase name=\"login\"><failure message=\"login refused\"/></testcase>"
       "</testsuite>",
       Verdict::Failed, "login refused"},
      // A Cucumber attempt that is retried gives way to the next one.
      {kStream + Attempt(0, "FAILED", true) + Attempt(1, "PASSED", false), Verdict::Passed, ""},
      {kStream + Attempt(0, "PENDING", false), Verdict::Untested, "pending step: go"},
      {kStream + "{\"testCaseStarted\":{\"id\":\"a\",\"testCaseId\":\"c\"}}\n", Verdict::Untested,
       "did not finish"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.bytes);
    const RunnerReport report = ReadReport("r", c.bytes, Format::Auto);
    ASSERT_EQ(report.tests.size(), 1U);
    EXPECT_EQ(report.tests[0].verdict, c.verdict);
    EXPECT_EQ(report.tests[0].message, c.reason);
    if (!c.name.empty()) {
      EXPECT_EQ(report.tests[0].name, c.name);
    }
  }
}

}  // namespace
}  // namespace quorax::runners
