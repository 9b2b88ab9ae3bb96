#include <string_view>

#include "runners/report_readers.h"

// NUnit 3 results: <test-run> holding <test-suite> elements nested to any
// depth and <test-case> elements with result Passed, Failed, Skipped,
// Inconclusive or Warning, properties (Category, ids) and a failure or reason.
namespace quorax::runners {
namespace {

Verdict VerdictOf(std::string_view result) {
  if (result == "Passed") return Verdict::Passed;
  if (result == "Failed") return Verdict::Failed;
  return Verdict::Untested;  // Skipped, Inconclusive, Warning
}

RunnerTest ReadCase(pugi::xml_node testcase) {
  RunnerTest test;
  test.name = testcase.attribute("fullname").value();
  if (test.name.empty()) test.name = testcase.attribute("name").value();
  test.verdict = VerdictOf(testcase.attribute("result").value());
  AddIdAttributes(testcase, test);
  for (pugi::xml_node property : testcase.child("properties").children("property")) {
    const std::string_view name = property.attribute("name").value();
    if (name == "Category") test.tags.emplace_back(property.attribute("value").value());
    if (IsIdName(name)) test.ids.emplace_back(property.attribute("value").value());
  }
  const pugi::xml_node why =
      test.verdict == Verdict::Failed ? testcase.child("failure") : testcase.child("reason");
  test.message = TextOf(why.child("message"));
  return test;
}

}  // namespace

void ReadNUnit(pugi::xml_node root, ReportSink& sink) {
  sink.started = DateOf(root.attribute("start-time").value());
  const auto enter = [](pugi::xml_node) {};  // the run's start dates every suite
  ReadNestedSuites(root, "test-suite", "test-case", sink, enter, ReadCase);
}

}  // namespace quorax::runners
