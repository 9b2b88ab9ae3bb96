#include <string_view>

#include "runners/notes.h"
#include "runners/report_readers.h"

// Robot Framework output: <robot> (generated) holding <suite> elements nested
// to any depth; each <test> has <tag> elements (older writers wrap them in
// <tags>) and a <status> (PASS, FAIL, SKIP or NOT RUN) whose text is the
// message. A test's full name is its suites' names and its own, joined by "."
// (cut at kTextBytes).
namespace quorax::runners {
namespace {

Verdict VerdictOf(std::string_view status) {
  if (status == "PASS") return Verdict::Passed;
  if (status == "FAIL") return Verdict::Failed;
  return Verdict::Untested;  // SKIP, NOT RUN
}

RunnerTest ReadTest(const std::string& suite_name, pugi::xml_node element) {
  RunnerTest test;
  test.name = JoinedName(suite_name, element.attribute("name").value());
  for (pugi::xml_node tag : element.children("tag")) test.tags.push_back(TextOf(tag));
  for (pugi::xml_node tag : element.child("tags").children("tag")) test.tags.push_back(TextOf(tag));
  const pugi::xml_node status = element.child("status");  // keywords' statuses lie deeper
  test.verdict = VerdictOf(status.attribute("status").value());
  if (test.verdict != Verdict::Passed) test.message = ReasonOf(TextOf(status), "", test.name);
  return test;
}

void ReadSuite(const std::string& parent, pugi::xml_node suite, ReportSink& sink) {
  const std::string_view own = suite.attribute("name").value();
  const std::string name =
      parent.empty() ? std::string(CutText(own, kTextBytes)) : JoinedName(parent, own);
  ConsumeChildren(suite, sink, [&](pugi::xml_node child) {
    const std::string_view kind = child.name();
    if (kind == "suite") {
      ReadSuite(name, child, sink);
    } else if (kind == "test") {
      sink.Add(ReadTest(name, child));
    }
  });
}

}  // namespace

void ReadRobot(pugi::xml_node root, ReportSink& sink) {
  sink.started = DateOf(root.attribute("generated").value());
  for (pugi::xml_node suite : root.children("suite")) {
    sink.Tick();
    ReadSuite({}, suite, sink);
  }
}

}  // namespace quorax::runners
