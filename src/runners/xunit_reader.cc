#include <string_view>

#include "runners/notes.h"
#include "runners/report_readers.h"

// xUnit.net v2 results: <assemblies> of <assembly> (run-date), each holding
// <collection> elements of <test> with result Pass, Fail, Skip or NotRun,
// <traits> and a <failure> message or skip <reason>.
namespace quorax::runners {
namespace {

Verdict VerdictOf(std::string_view result) {
  if (result == "Pass") return Verdict::Passed;
  if (result == "Fail") return Verdict::Failed;
  return Verdict::Untested;  // Skip, NotRun
}

RunnerTest ReadTest(pugi::xml_node element) {
  RunnerTest test;
  test.name = element.attribute("name").value();
  test.verdict = VerdictOf(element.attribute("result").value());
  AddIdAttributes(element, test);
  for (pugi::xml_node trait : element.child("traits").children("trait")) {
    const std::string value = trait.attribute("value").value();
    if (IsIdName(trait.attribute("name").value())) {
      test.ids.push_back(value);
    } else {
      test.tags.push_back(value);
    }
  }
  if (test.verdict == Verdict::Failed) {
    const pugi::xml_node failure = element.child("failure");
    test.message =
        ReasonOf(TextOf(failure.child("message")), TextOf(failure.child("stack-trace")), test.name);
  } else if (test.verdict == Verdict::Untested) {
    test.message = ReasonOf(TextOf(element.child("reason")), "", test.name);
  }
  return test;
}

}  // namespace

void ReadXUnit(pugi::xml_node root, ReportSink& sink) {
  for (pugi::xml_node assembly : root.children("assembly")) {
    sink.Tick();
    if (sink.started.empty()) sink.started = DateOf(assembly.attribute("run-date").value());
    for (pugi::xml_node collection : assembly.children("collection")) {
      sink.Tick();
      for (pugi::xml_node test : collection.children("test")) {
        sink.Tick();
        sink.Add(ReadTest(test));
      }
    }
  }
}

}  // namespace quorax::runners
