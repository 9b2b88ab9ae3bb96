#ifndef QUORAX_RUNNERS_REPORT_READERS_H_
#define QUORAX_RUNNERS_REPORT_READERS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "common/stop_check.h"
#include "runners/runner_report.h"

// What the report readers share: loading XML safely, and the small readings
// every format needs. Internal to the runners library.
namespace quorax::runners {

// "FILE:LINE:COLUMN" of byte `offset` of `bytes`; lines and columns count from 1, columns in
// characters.
std::string PositionOf(const std::string& file, std::string_view bytes, size_t offset);

// What one reading of a report may take in memory, decided from the report's size before the work
// starts: 4 times its bytes plus 16 MiB. A reading spends one budget on its parsed tree and another
// on the tests it hands on (their texts and 64 bytes each).
class ReadingBudget {
 public:
  ReadingBudget(const std::string& file, size_t bytes);

  // Counts `bytes` more of what the budget is for (`what`: "elements", "tests"). Raises
  // ReportError "FILE: reading it would take more than N MiB for its WHAT (...)" past the limit.
  void Spend(uint64_t bytes, const char* what);

 private:
  const std::string& file_;
  uint64_t limit_;
  uint64_t spent_ = 0;
};

// `outer` + "." + `own` in at most kTextBytes: `own` cut at half of them, then `outer` at the rest.
std::string JoinedName(std::string_view outer, std::string_view own);

// Parses `bytes` into `doc` without DTD processing: the five predefined entities and character
// references are expanded, any other entity stays as written. Raises ReportError
// "FILE:LINE:COLUMN: ..." for malformed XML, "FILE: ..." for elements nested deeper than the
// readers recurse (256 levels) or a tree over its ReadingBudget, and Stopped from `stop`, which it
// asks as the tree grows.
void LoadXml(pugi::xml_document& doc, const std::string& file, std::string_view bytes,
             const StopCheck& stop = {});

// LoadXml without a copy: the tree points into `bytes`, which it alters and which must outlive
// `doc`. An error's position is taken from `original()`, the bytes as they were before.
void LoadXmlInPlace(pugi::xml_document& doc, const std::string& file, std::string& bytes,
                    const std::function<std::string()>& original, const StopCheck& stop = {});

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

// Where a reader puts the tests it reads from `file` (of `bytes` bytes), in order: into
// report.tests, handed to `take` (when set) a slice at a time once the report's start date is
// known, the rest by Finish. Readers set the start date before they add the tests it dates, and
// never change it once set. Add cuts a test's name and message at kTextBytes and raises
// ReportError when the tests pass their ReadingBudget; Add and Tick ask `stop`.
class ReportSink {
 public:
  using Take = std::function<void(RunnerReport&)>;
  ReportSink(RunnerReport& report, const std::string& file, size_t bytes, Take take = {},
             StopCheck stop = {});
  void Add(RunnerTest test);
  // Asks the stop check now and then: called once per item of a loop that adds no test.
  void Tick() {
    if (++ticks_ % 64 == 0) AskToStop(stop_);
  }
  // Hands the tests still held to `take`; returns how many tests were added in all.
  size_t Finish();
  const StopCheck& stop() const { return stop_; }
  const std::string& file() const { return file_; }
  std::string& started;  // report.started

 private:
  RunnerReport& report_;
  const std::string& file_;
  Take take_;
  StopCheck stop_;
  ReadingBudget budget_;
  const std::vector<std::string>* shared_ = nullptr;  // the shared tags last counted
  size_t taken_ = 0;
  uint32_t ticks_ = 0;
};

// Calls `read` for each child of `parent` in order, then drops the child from the tree: a tree
// parsed in place gives back its memory as the walk goes on. Ticks `sink` once per child.
template <typename Read>
void ConsumeChildren(pugi::xml_node parent, ReportSink& sink, Read&& read) {
  for (pugi::xml_node child = parent.first_child(); child;) {
    sink.Tick();
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
  ConsumeChildren(suite, sink, [&](pugi::xml_node child) {
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
void ReadCatch2(pugi::xml_node root, ReportSink& sink);
void ReadDoctest(pugi::xml_node root, ReportSink& sink);

// The readers of each JSON format: each adds the tests of `bytes` (the file sink.file()) to `sink`
// and sets sink.started when the report has a start time, holding one scenario's or message's
// values at a time. Raise ReportError "FILE:LINE:COLUMN: ..." for malformed JSON, and "FILE: ..."
// for JSON of another shape or nested deeper than 256 levels.
void ReadCucumber(std::string_view bytes, ReportSink& sink);
void ReadBehave(std::string_view bytes, ReportSink& sink);
void ReadCucumberMessages(std::string_view bytes, ReportSink& sink);

// Adds the tests of the TAP stream `bytes` (versions 13 and 14) to `sink`, reading it a line at a
// time and holding one test and one state per subtest level. Raises ReportError "FILE:LINE: ..."
// for subtests nested deeper than 256 levels.
void ReadTap(std::string_view bytes, ReportSink& sink);

// Whether the first line of `content` that is not a comment starts like TAP: "TAP version", a
// plan "1..N", a test point "ok" or "not ok", or "Bail out!".
bool LooksLikeTap(std::string_view content);

// The JSON format `content` (starting with "[" or "{", possibly cut short) shows: Cucumber or
// behave for an array of features, CucumberMessages for a first line that is a message, else
// Unknown.
Format DetectJsonFormat(std::string_view content);

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_REPORT_READERS_H_
