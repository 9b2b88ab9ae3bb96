#include <string_view>

#include "runners/report_readers.h"

// JUnit XML as written by pytest, Surefire, Gradle, Jest, gotestsum, PHPUnit,
// Playwright and Cypress: <testsuites> or a lone <testsuite>, suites nested
// to any depth, <testcase> with <failure>, <error> or <skipped>.
namespace quorax::runners {
namespace {

// The failure, error or skip message: the message attribute, else the text.
std::string MessageOf(pugi::xml_node outcome) {
  const std::string message = outcome.attribute("message").value();
  return message.empty() ? TextOf(outcome) : message;
}

RunnerTest ReadCase(pugi::xml_node testcase) {
  RunnerTest test;
  const std::string classname = testcase.attribute("classname").value();
  const std::string name = testcase.attribute("name").value();
  test.name = classname.empty() ? name : classname + "." + name;
  AddIdAttributes(testcase, test);
  for (pugi::xml_node property : testcase.child("properties").children("property")) {
    if (!IsIdName(property.attribute("name").value())) continue;
    const pugi::xml_attribute value = property.attribute("value");
    test.ids.push_back(value ? value.value() : TextOf(property));
  }
  // A failure or error outranks a skip; Surefire's rerun and flaky elements
  // describe earlier attempts of a test that finally passed.
  pugi::xml_node failed = testcase.child("failure");
  if (!failed) failed = testcase.child("error");
  const pugi::xml_node skipped = testcase.child("skipped");
  if (failed) {
    test.verdict = Verdict::Failed;
    test.message = MessageOf(failed);
  } else if (skipped) {
    test.verdict = Verdict::Untested;
    test.message = MessageOf(skipped);
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
