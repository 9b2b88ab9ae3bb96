#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "common/text.h"
#include "runners/notes.h"
#include "runners/report_readers.h"

// JUnit XML as written by pytest, Surefire, Gradle, Jest, gotestsum, PHPUnit,
// Playwright and Cypress: <testsuites> or a lone <testsuite>, suites nested
// to any depth, <testcase> with <failure>, <error> or <skipped> (Surefire
// adds rerun and flaky attempts, ctest a "status" attribute).
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

// The first child of `testcase` named one of `names`, in that order of preference.
pugi::xml_node FirstOf(pugi::xml_node testcase, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (const pugi::xml_node found = testcase.child(name)) return found;
  }
  return {};
}

// A testcase's "status" attribute saying it did not run (ctest writes "disabled" and "notrun",
// others "skipped", "ignored", "pending", "todo").
bool StatusSaysNotRun(std::string_view status) {
  static constexpr std::string_view kNotRun[] = {"disabled", "notrun",  "not run", "skipped",
                                                 "skip",     "ignored", "pending", "todo"};
  return std::any_of(std::begin(kNotRun), std::end(kNotRun),
                     [&](std::string_view word) { return EqualsIgnoreCase(word, status); });
}

RunnerTest ReadCase(pugi::xml_node testcase) {
  RunnerTest test;
  const std::string classname = testcase.attribute("classname").value();
  const std::string name = testcase.attribute("name").value();
  // jest-junit and ctest repeat the name as the class name.
  test.name = classname.empty() || classname == name ? name : classname + "." + name;
  AddIdAttributes(testcase, test);
  for (pugi::xml_node property : testcase.child("properties").children("property")) {
    if (!IsIdName(property.attribute("name").value())) continue;
    const pugi::xml_attribute value = property.attribute("value");
    test.ids.push_back(value ? value.value() : TextOf(property));
  }
  // A failure or error outranks a skip. Surefire's rerunFailure/rerunError
  // mark a test that failed every rerun; its flakyFailure/flakyError an
  // earlier attempt of a test that passed on a rerun.
  const pugi::xml_node failed =
      FirstOf(testcase, {"failure", "error", "rerunFailure", "rerunError"});
  const pugi::xml_node skipped = testcase.child("skipped");
  const pugi::xml_node flaky = FirstOf(testcase, {"flakyFailure", "flakyError"});
  if (failed) {
    test.verdict = Verdict::Failed;
    test.message = WhyOf(failed, test.name);
  } else if (skipped) {
    test.verdict = Verdict::Untested;
    test.message = WhyOf(skipped, test.name);
  } else if (StatusSaysNotRun(testcase.attribute("status").value())) {
    test.verdict = Verdict::Untested;
    test.message = testcase.attribute("status").value();
  } else if (flaky) {
    test.message = "passed on a rerun after: " + WhyOf(flaky, test.name);
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
