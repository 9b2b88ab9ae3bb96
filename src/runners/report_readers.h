#ifndef QUORAX_RUNNERS_REPORT_READERS_H_
#define QUORAX_RUNNERS_REPORT_READERS_H_

#include <functional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "runners/runner_report.h"

// What the report readers share: loading XML safely, and the small readings
// every format needs. Internal to the runners library.
namespace quorax::runners {

// "FILE:LINE:COLUMN" of byte `offset` of `bytes`; lines and columns count from 1, columns in
// characters.
std::string PositionOf(const std::string& file, std::string_view bytes, size_t offset);

// Parses `bytes` into `doc` without DTD processing: the five predefined entities and character
// references are expanded, any other entity stays as written. Raises ReportError
// "FILE:LINE:COLUMN: ..." for malformed XML, and "FILE: ..." for elements nested deeper than the
// readers recurse (256 levels).
void LoadXml(pugi::xml_document& doc, const std::string& file, std::string_view bytes);

// LoadXml without a copy: the tree points into `bytes`, which it alters and which must outlive
// `doc`. An error's position is taken from `original()`, the bytes as they were before.
void LoadXmlInPlace(pugi::xml_document& doc, const std::string& file, std::string& bytes,
                    const std::function<std::string()>& original);

// The node's name without a namespace prefix ("t:TestRun" -> "TestRun").
std::string_view LocalName(pugi::xml_node node);

// The first child element of that local name, or an empty node.
pugi::xml_node ChildNamed(pugi::xml_node node, std::string_view local_name);

// All text and CDATA directly inside `node`, in order.
std::string TextOf(pugi::xml_node node);

// The YYYY-MM-DD at the start of a time stamp ("2024-04-02T10:00:00Z", "2024-04-02 10:00",
// "20240402 10:00:00.000"); empty when it starts with no valid date.
std::string DateOf(std::string_view stamp);

// True for the property and attribute names that carry case ids: test_id, case_id, testcase_id (any
// case).
bool IsIdName(std::string_view name);

// Adds the id-carrying attributes of `node` to `test.ids`, in document order.
void AddIdAttributes(pugi::xml_node node, RunnerTest& test);

// Where a reader puts the tests it reads, in order: into report.tests, handed to `take` (when set)
// a slice at a time once the report's start date is known, the rest by Finish. Readers set the
// start date before they add the tests it dates, and never change it once set.
class ReportSink {
 public:
  using Take = std::function<void(RunnerReport&)>;
  explicit ReportSink(RunnerReport& report, Take take = {});
  void Add(RunnerTest test);
  // Hands the tests still held to `take`; returns how many tests were added in all.
  size_t Finish();
  std::string& started;  // report.started

 private:
  RunnerReport& report_;
  Take take_;
  size_t taken_ = 0;
};

// Calls `read` for each child of `parent` in order, then drops the child from the tree: a tree
// parsed in place gives back its memory as the walk goes on.
template <typename Read>
void ConsumeChildren(pugi::xml_node parent, Read&& read) {
  for (pugi::xml_node child = parent.first_child(); child;) {
    const pugi::xml_node next = child.next_sibling();
    read(child);
    parent.remove_child(child);
    child = next;
  }
}

// Walks `suite` and the elements named `suite_name` nested in it to any depth: calls `enter` on
// each suite before its children, and adds `read_case(child)` to `sink` for each child named
// `case_name`. Children are consumed as they are read (see ConsumeChildren).
template <typename Enter, typename ReadCase>
void ReadNestedSuites(pugi::xml_node suite, std::string_view suite_name, std::string_view case_name,
                      ReportSink& sink, const Enter& enter, const ReadCase& read_case) {
  enter(suite);
  ConsumeChildren(suite, [&](pugi::xml_node child) {
    const std::string_view name = child.name();
    if (name == suite_name) {
      ReadNestedSuites(child, suite_name, case_name, sink, enter, read_case);
    } else if (name == case_name) {
      sink.Add(read_case(child));
    }
  });
}

// The readers of each XML format. Each adds the tests under `root` (whose name the caller has
// checked) to `sink` and sets sink.started when the report has a start time.
void ReadJUnit(pugi::xml_node root, ReportSink& sink);
void ReadNUnit(pugi::xml_node root, ReportSink& sink);
void ReadNUnit2(pugi::xml_node root, ReportSink& sink);
void ReadXUnit(pugi::xml_node root, ReportSink& sink);
void ReadTrx(pugi::xml_node root, ReportSink& sink);
void ReadTestNG(pugi::xml_node root, ReportSink& sink);
void ReadRobot(pugi::xml_node root, ReportSink& sink);

// The readers of each JSON format: each adds the tests of `bytes` to report.tests and sets
// report.started when the report has a start time. Raise ReportError "FILE:LINE:COLUMN: ..." for
// malformed JSON, and "FILE: ..." for JSON of another shape.
void ReadCucumber(const std::string& file, std::string_view bytes, RunnerReport& report);
void ReadBehave(const std::string& file, std::string_view bytes, RunnerReport& report);
void ReadCucumberMessages(const std::string& file, std::string_view bytes, RunnerReport& report);

// The JSON format `content` (starting with "[" or "{", possibly cut short) shows: Cucumber or
// behave for an array of features, CucumberMessages for a first line that is a message, else
// Unknown.
Format DetectJsonFormat(std::string_view content);

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_REPORT_READERS_H_
