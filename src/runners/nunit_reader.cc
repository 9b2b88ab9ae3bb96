#include <string_view>

#include "runners/notes.h"
#include "runners/report_readers.h"

// NUnit results. NUnit 3: <test-run> holding <test-suite> elements nested to
// any depth and <test-case> elements with result Passed, Failed, Skipped,
// Inconclusive or Warning. NUnit 2: <test-results> whose <test-suite>
// elements hold their suites and cases in <results>, a case's result being
// Success, Failure, Error, Ignored, Skipped, NotRunnable, Inconclusive or
// Cancelled, its categories in <categories>. Both give a case properties (ids;
// NUnit 3 also Category) and a <failure> or <reason> with a <message>.
namespace quorax::runners {
namespace {

Verdict VerdictOf(std::string_view result) {
  if (result == "Passed" || result == "Success") return Verdict::Passed;
  if (result == "Failed" || result == "Failure" || result == "Error") return Verdict::Failed;
  return Verdict::Untested;  // Skipped, Ignored, Inconclusive, Warning, NotRunnable, Cancelled
}

// The name, verdict, ids, Category properties and reason of a case of either version.
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
  if (test.verdict == Verdict::Passed) return test;
  const pugi::xml_node why =
      test.verdict == Verdict::Failed ? testcase.child("failure") : testcase.child("reason");
  test.message =
      ReasonOf(TextOf(why.child("message")), TextOf(why.child("stack-trace")), test.name);
  return test;
}

RunnerTest ReadCase2(pugi::xml_node testcase) {
  RunnerTest test = ReadCase(testcase);
  for (pugi::xml_node category : testcase.child("categories").children("category")) {
    test.tags.emplace_back(category.attribute("name").value());
  }
  return test;
}

// Adds the cases of an NUnit 2 suite and of the suites nested in it, in document order.
void ReadSuite2(pugi::xml_node suite, ReportSink& sink) {
  ConsumeChildren(suite.child("results"), [&](pugi::xml_node child) {
    const std::string_view name = child.name();
    if (name == "test-suite") ReadSuite2(child, sink);
    if (name == "test-case") sink.Add(ReadCase2(child));
  });
}

}  // namespace

void ReadNUnit(pugi::xml_node root, ReportSink& sink) {
  sink.started = DateOf(root.attribute("start-time").value());
  const auto enter = [](pugi::xml_node) {};  // the run's start dates every suite
  ReadNestedSuites(root, "test-suite", "test-case", sink, enter, ReadCase);
}

void ReadNUnit2(pugi::xml_node root, ReportSink& sink) {
  sink.started = DateOf(root.attribute("date").value());
  ConsumeChildren(root, [&](pugi::xml_node child) {
    if (std::string_view(child.name()) == "test-suite") ReadSuite2(child, sink);
  });
}

}  // namespace quorax::runners
