#include <map>
#include <string_view>
#include <utility>

#include "runners/notes.h"
#include "runners/report_readers.h"

// TestNG results: <testng-results> of <suite> elements, each with suite-level
// <groups> (group -> methods by class and name) and <test> / <class> /
// <test-method> (status PASS, FAIL or SKIP; configuration methods are not
// tests), a description, an <exception> message and <attributes>.
namespace quorax::runners {
namespace {

using MethodKey = std::pair<std::string, std::string>;  // class, method name
using Groups = std::map<MethodKey, std::vector<std::string>>;

Verdict VerdictOf(std::string_view status) {
  if (status == "PASS") return Verdict::Passed;
  if (status == "FAIL") return Verdict::Failed;
  return Verdict::Untested;  // SKIP
}

Groups GroupsOf(pugi::xml_node suite, ReportSink& sink) {
  Groups groups;
  for (pugi::xml_node group : suite.child("groups").children("group")) {
    sink.Tick();
    for (pugi::xml_node method : group.children("method")) {
      sink.Tick();
      groups[{method.attribute("class").value(), method.attribute("name").value()}].emplace_back(
          group.attribute("name").value());
    }
  }
  return groups;
}

RunnerTest ReadMethod(const std::string& class_name, pugi::xml_node method, const Groups& groups) {
  RunnerTest test;
  const std::string name = method.attribute("name").value();
  test.name = JoinedName(class_name, name);
  test.verdict = VerdictOf(method.attribute("status").value());
  AddIdAttributes(method, test);
  for (pugi::xml_node attribute : method.child("attributes").children("attribute")) {
    if (IsIdName(attribute.attribute("name").value())) test.ids.push_back(TextOf(attribute));
  }
  if (const auto found = groups.find({class_name, name}); found != groups.end())
    test.tags = found->second;
  if (const pugi::xml_attribute description = method.attribute("description")) {
    test.tags.emplace_back(description.value());
  }
  if (test.verdict == Verdict::Passed) return test;
  const pugi::xml_node exception = method.child("exception");
  test.message = ReasonOf(TextOf(exception.child("message")),
                          TextOf(exception.child("full-stacktrace")), test.name);
  return test;
}

}  // namespace

void ReadTestNG(pugi::xml_node root, ReportSink& sink) {
  for (pugi::xml_node suite : root.children("suite")) {
    sink.Tick();
    if (sink.started.empty()) sink.started = DateOf(suite.attribute("started-at").value());
    const Groups groups = GroupsOf(suite, sink);
    for (pugi::xml_node test : suite.children("test")) {
      sink.Tick();
      for (pugi::xml_node class_node : test.children("class")) {
        sink.Tick();
        const std::string class_name = class_node.attribute("name").value();
        for (pugi::xml_node method : class_node.children("test-method")) {
          sink.Tick();
          if (method.attribute("is-config").as_bool()) continue;
          sink.Add(ReadMethod(class_name, method, groups));
        }
      }
    }
  }
}

}  // namespace quorax::runners
