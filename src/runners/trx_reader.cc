#include <map>
#include <string_view>

#include "runners/notes.h"
#include "runners/report_readers.h"

// TRX results: a namespaced <TestRun> whose <Results> hold <UnitTestResult>
// elements (outcome, ErrorInfo message) that name by testId the <UnitTest>
// definitions (class, method, TestCategory, Properties) under
// <TestDefinitions>. Elements are matched by local name, whatever prefix the
// writer chose.
namespace quorax::runners {
namespace {

Verdict VerdictOf(std::string_view outcome) {
  if (outcome == "Passed" || outcome == "PassedButRunAborted") return Verdict::Passed;
  if (outcome == "Failed" || outcome == "Error" || outcome == "Timeout" || outcome == "Aborted") {
    return Verdict::Failed;
  }
  return Verdict::Untested;  // NotExecuted, Inconclusive, NotRunnable, Pending, Disconnected,
                             // Warning, ...
}

// The children of `node` with that local name, in order; ticks `sink` once per child.
std::vector<pugi::xml_node> ChildrenNamed(pugi::xml_node node, std::string_view local_name,
                                          ReportSink* sink = nullptr) {
  std::vector<pugi::xml_node> found;
  for (pugi::xml_node child : node.children()) {
    if (sink != nullptr) sink->Tick();
    if (child.type() == pugi::node_element && LocalName(child) == local_name)
      found.push_back(child);
  }
  return found;
}

// Name, ids and categories from the test's definition.
void ReadDefinition(pugi::xml_node unit_test, RunnerTest& test) {
  const pugi::xml_node method = ChildNamed(unit_test, "TestMethod");
  std::string class_name = method.attribute("className").value();
  class_name = class_name.substr(0, class_name.find(','));  // older writers add the assembly
  const std::string method_name = method.attribute("name").value();
  if (!class_name.empty() && !method_name.empty()) test.name = JoinedName(class_name, method_name);
  for (pugi::xml_node item :
       ChildrenNamed(ChildNamed(unit_test, "TestCategory"), "TestCategoryItem")) {
    test.tags.emplace_back(item.attribute("TestCategory").value());
  }
  for (pugi::xml_node property : ChildrenNamed(ChildNamed(unit_test, "Properties"), "Property")) {
    if (IsIdName(TextOf(ChildNamed(property, "Key")))) {
      test.ids.push_back(TextOf(ChildNamed(property, "Value")));
    }
  }
}

}  // namespace

void ReadTrx(pugi::xml_node root, ReportSink& sink) {
  sink.started = DateOf(ChildNamed(root, "Times").attribute("start").value());
  std::map<std::string_view, pugi::xml_node> definitions;
  for (pugi::xml_node unit_test :
       ChildrenNamed(ChildNamed(root, "TestDefinitions"), "UnitTest", &sink)) {
    definitions.emplace(unit_test.attribute("id").value(), unit_test);
  }
  for (pugi::xml_node result :
       ChildrenNamed(ChildNamed(root, "Results"), "UnitTestResult", &sink)) {
    RunnerTest test;
    test.name = result.attribute("testName").value();
    test.verdict = VerdictOf(result.attribute("outcome").value());
    const auto definition = definitions.find(result.attribute("testId").value());
    if (definition != definitions.end()) ReadDefinition(definition->second, test);
    const pugi::xml_node info = ChildNamed(ChildNamed(result, "Output"), "ErrorInfo");
    if (test.verdict != Verdict::Passed) {
      test.message = ReasonOf(TextOf(ChildNamed(info, "Message")),
                              TextOf(ChildNamed(info, "StackTrace")), test.name);
    }
    sink.Add(std::move(test));
  }
}

}  // namespace quorax::runners
