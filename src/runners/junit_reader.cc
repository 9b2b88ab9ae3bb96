#include <algorithm>
#include <iterator>
#include <string_view>

#include "common/text.h"
#include "runners/notes.h"
#include "runners/report_readers.h"

// JUnit XML as written by pytest, Surefire, Gradle, Jest, gotestsum, PHPUnit,
// Playwright, Cypress, node, node-tap and the C++ runners: <testsuites> or a
// lone <testsuite>, suites nested to any depth, <testcase> with <failure>,
// <error> or <skipped> (Surefire adds rerun and flaky attempts, ctest a
// "status" attribute, node-tap "skip" and "todo" properties).
namespace quorax::runners {
namespace {

// Why `outcome` (a failure, error or skip element) happened, in one line: its message or text,
// else what the test printed.
std::string WhyOf(pugi::xml_node outcome, const std::string& test_name) {
  std::string text = TextOf(outcome);
  // Surefire keeps the trace of a rerun attempt in a child element.
  if (text.empty()) text = TextOf(outcome.child("stackTrace"));
  std::string reason = ReasonOf(outcome.attribute("message").value(), text, test_name);
  // ctest writes an empty failure and keeps what the test printed beside it.
  if (reason.empty())
    reason = ReasonOf("", TextOf(outcome.parent().child("system-out")), test_name);
  return reason;
}

// The elements that decide a testcase's verdict, found in one pass over its children.
struct Outcome {
  // failure, else error, else Surefire's rerunFailure or rerunError (a test that failed every
  // rerun)
  pugi::xml_node failed;
  pugi::xml_node skipped;
  // Surefire's flakyFailure or flakyError: an attempt before a rerun that passed
  pugi::xml_node flaky;
};

Outcome OutcomeOf(pugi::xml_node testcase) {
  static constexpr std::string_view kFailed[] = {"failure", "error", "rerunFailure", "rerunError"};
  Outcome outcome;
  size_t failed_rank = std::size(kFailed);  // rank of outcome.failed's name in kFailed
  for (pugi::xml_node child = testcase.first_child(); child; child = child.next_sibling()) {
    const std::string_view name = child.name();
    for (size_t rank = 0; rank < failed_rank; ++rank) {
      if (name == kFailed[rank]) {
        outcome.failed = child;
        failed_rank = rank;
      }
    }
    if (name == "skipped" && !outcome.skipped) outcome.skipped = child;
    if ((name == "flakyFailure" || name == "flakyError") && !outcome.flaky) outcome.flaky = child;
  }
  return outcome;
}

// A testcase's "status" attribute saying it did not run (ctest writes "disabled" and "notrun",
// others "skipped", "ignored", "pending", "todo").
bool StatusSaysNotRun(std::string_view status) {
  static constexpr std::string_view kNotRun[] = {"disabled", "notrun",  "not run", "skipped",
                                                 "skip",     "ignored", "pending", "todo"};
  return std::any_of(std::begin(kNotRun), std::end(kNotRun),
                     [&](std::string_view word) { return EqualsIgnoreCase(word, status); });
}

// The names of the suites around `testcase`, outermost first, joined by "." in at most kTextBytes.
std::string SuitePathOf(pugi::xml_node testcase) {
  std::string path;
  for (pugi::xml_node suite = testcase.parent(); std::string_view(suite.name()) == "testsuite";
       suite = suite.parent()) {
    const std::string_view name = suite.attribute("name").value();
    if (!name.empty()) path = path.empty() ? std::string(name) : JoinedName(name, path);
  }
  return path;
}

// The test's full name. node writes the class name "test" for every test and keeps the titles
// of its describe blocks as suite names: those name the test instead, so that same-named tests
// of two blocks differ and an id in a block's title is found.
std::string TestNameOf(pugi::xml_node testcase) {
  std::string classname = testcase.attribute("classname").value();
  const std::string name = testcase.attribute("name").value();
  if (classname == "test") classname = SuitePathOf(testcase);
  // jest-junit and ctest repeat the name as the class name.
  return classname.empty() || classname == name ? name : JoinedName(classname, name);
}

// Adds the ids among the testcase's properties to `test`; returns the value of node-tap's "skip"
// or "todo" property ("skip" or "todo" when it has none), or empty when it has neither.
std::string ReadProperties(pugi::xml_node testcase, RunnerTest& test) {
  std::string not_run;
  for (pugi::xml_node property : testcase.child("properties").children("property")) {
    const std::string_view name = property.attribute("name").value();
    const pugi::xml_attribute value = property.attribute("value");
    std::string text = value ? value.value() : TextOf(property);
    if (IsIdName(name)) test.ids.push_back(std::move(text));
    if ((name == "skip" || name == "todo") && not_run.empty()) {
      not_run = text.empty() ? std::string(name) : std::move(text);
    }
  }
  return not_run;
}

RunnerTest ReadCase(pugi::xml_node testcase) {
  RunnerTest test;
  test.name = TestNameOf(testcase);
  AddIdAttributes(testcase, test);
  const std::string not_run = ReadProperties(testcase, test);
  // A failure beside a skip is an expected failure (node's todo test, Catch2's !shouldfail and
  // !mayfail), which the runner does not count as failed. Otherwise a failure or error outranks a
  // skip; a status or property, when there is neither, says a test did not run.
  const Outcome outcome = OutcomeOf(testcase);
  const std::string_view status = testcase.attribute("status").value();
  if (outcome.failed && outcome.skipped) {
    test.verdict = Verdict::Untested;
    std::string why = WhyOf(outcome.skipped, test.name);
    if (why.empty()) why = WhyOf(outcome.failed, test.name);
    test.message = "expected to fail: " + why;
  } else if (outcome.failed) {
    test.verdict = Verdict::Failed;
    test.message = WhyOf(outcome.failed, test.name);
  } else if (outcome.skipped) {
    test.verdict = Verdict::Untested;
    test.message = WhyOf(outcome.skipped, test.name);
  } else if (!status.empty() && StatusSaysNotRun(status)) {
    test.verdict = Verdict::Untested;
    test.message = std::string(status);
  } else if (!not_run.empty()) {
    test.verdict = Verdict::Untested;
    test.message = not_run;
  } else if (outcome.flaky) {
    test.message = "passed on a rerun after: " + WhyOf(outcome.flaky, test.name);
  }
  return test;
}

}  // namespace

void ReadJUnit(pugi::xml_node root, ReportSink& sink) {
  // The first suite whose time stamp holds a date dates the report.
  const auto date = [&](pugi::xml_node suite) {
    if (sink.started.empty()) sink.started = DateOf(suite.attribute("timestamp").value());
  };
  ReadNestedSuites(root, "testsuite", "testcase", sink, date, ReadCase);
}

}  // namespace quorax::runners
