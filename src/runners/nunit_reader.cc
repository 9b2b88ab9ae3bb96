#include <string_view>
#include <vector>

#include "runners/notes.h"
#include "runners/report_readers.h"

// NUnit results. NUnit 3: <test-run> holding <test-suite> elements nested to
// any depth and <test-case> elements with result Passed, Failed, Skipped,
// Inconclusive or Warning. NUnit 2: <test-results> whose <test-suite>
// elements hold their suites and cases in <results>, a case's result being
// Success, Failure, Error, Ignored, Skipped, NotRunnable, Inconclusive or
// Cancelled, its categories in <categories>. Both give suites and cases
// properties (ids; NUnit 3 also Category), and a case a <failure> or <reason>
// with a <message>.
namespace quorax::runners {
namespace {

Verdict VerdictOf(std::string_view result) {
  if (result == "Passed" || result == "Success") return Verdict::Passed;
  if (result == "Failed" || result == "Failure" || result == "Error") return Verdict::Failed;
  return Verdict::Untested;  // Skipped, Ignored, Inconclusive, Warning, NotRunnable, Cancelled
}

// The ids and tags a suite passes on to every case in it, as a parameterised
// method's suite passes its own to each of its cases.
struct Marks {
  std::vector<std::string> ids, tags;
};

// Adds the ids and categories of `node` (a suite or case of either version) to `marks`: id
// properties, Category properties (NUnit 3) and <categories> (NUnit 2).
void AddMarks(pugi::xml_node node, Marks& marks) {
  for (pugi::xml_node property : node.child("properties").children("property")) {
    const std::string_view name = property.attribute("name").value();
    if (name == "Category") marks.tags.emplace_back(property.attribute("value").value());
    if (IsIdName(name)) marks.ids.emplace_back(property.attribute("value").value());
  }
  for (pugi::xml_node category : node.child("categories").children("category")) {
    marks.tags.emplace_back(category.attribute("name").value());
  }
}

// A case of either version: its name, verdict and reason, its own ids and tags, then those of
// the suites around it.
RunnerTest ReadCase(pugi::xml_node testcase, const Marks& outer) {
  RunnerTest test;
  test.name = testcase.attribute("fullname").value();
  if (test.name.empty()) test.name = testcase.attribute("name").value();
  test.verdict = VerdictOf(testcase.attribute("result").value());
  AddIdAttributes(testcase, test);
  Marks marks{std::move(test.ids), {}};
  AddMarks(testcase, marks);
  marks.ids.insert(marks.ids.end(), outer.ids.begin(), outer.ids.end());
  marks.tags.insert(marks.tags.end(), outer.tags.begin(), outer.tags.end());
  test.ids = std::move(marks.ids);
  test.tags = std::move(marks.tags);
  if (test.verdict == Verdict::Passed) return test;
  const pugi::xml_node why =
      test.verdict == Verdict::Failed ? testcase.child("failure") : testcase.child("reason");
  test.message =
      ReasonOf(TextOf(why.child("message")), TextOf(why.child("stack-trace")), test.name);
  return test;
}

// Adds the cases of `suite` and of the suites nested in it, in document order. NUnit 3 nests
// them in the suite itself, NUnit 2 in its <results>.
void ReadSuite(pugi::xml_node suite, Marks marks, ReportSink& sink) {
  AddMarks(suite, marks);
  const pugi::xml_node results = suite.child("results");
  ConsumeChildren(results ? results : suite, sink, [&](pugi::xml_node child) {
    const std::string_view name = child.name();
    if (name == "test-suite") ReadSuite(child, marks, sink);
    if (name == "test-case") sink.Add(ReadCase(child, marks));
  });
}

}  // namespace

void ReadNUnit(pugi::xml_node root, ReportSink& sink) {
  sink.started = DateOf(root.attribute("start-time").value());  // dates every suite
  ReadSuite(root, {}, sink);
}

void ReadNUnit2(pugi::xml_node root, ReportSink& sink) {
  sink.started = DateOf(root.attribute("date").value());
  ReadSuite(root, {}, sink);
}

}  // namespace quorax::runners
