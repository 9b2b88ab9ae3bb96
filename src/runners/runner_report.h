#ifndef QUORAX_RUNNERS_RUNNER_REPORT_H_
#define QUORAX_RUNNERS_RUNNER_REPORT_H_

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/stop_check.h"

namespace quorax::runners {

// The most bytes of a test's name or message a reader keeps, and of a name or tag a case pattern
// searches: a longer one is cut there (at a character's start). It keeps what one test costs
// bounded whatever a report repeats in it, such as a suite's name in each of its tests' names.
constexpr size_t kTextBytes = 4096;

// The longest start of `text` of at most `bytes` bytes that does not end inside a UTF-8 character.
std::string_view CutText(std::string_view text, size_t bytes);

enum class Verdict { Passed, Failed, Untested };  // P, F, U

// One test of a runner report, as the runner reported it.
struct RunnerTest {
  std::string name;  // full name as the "Test" column shows it (JUnit: classname.name), UTF-8
  Verdict verdict = Verdict::Passed;
  // why it failed or was not run, one line (see ReasonOf), UTF-8; for a passed test empty, or a
  // line saying it passed only on a rerun
  std::string message;
  // values of test_id / case_id / testcase_id properties or attributes, in order
  std::vector<std::string> ids;
  // categories, traits, tags, groups (suite-level TestNG groups included), TestNG descriptions:
  // texts searched for case ids like the name, in order, after `shared_tags`
  std::vector<std::string> tags;
  // the tags the test inherits (a feature's), held once for all the tests that share them; may be
  // null
  std::shared_ptr<const std::vector<std::string>> shared_tags;
};

struct RunnerReport {
  std::string format;   // the name of the format read, as FormatNamed takes it
  std::string started;  // YYYY-MM-DD of the report's own start time; empty when it has none
  std::vector<RunnerTest> tests;
};

// Unknown: content no format reads (never named on the command line).
enum class Format {
  Auto,
  Csv,
  JUnit,
  NUnit,
  NUnit2,
  XUnit,
  Trx,
  TestNG,
  Robot,
  Cucumber,
  Behave,
  CucumberMessages,
  Tap,
  Catch2,
  Doctest,
  Unknown
};

// The format named on the command line ("auto", "csv", "junit", ..., in any case); raises
// ReportError for another name.
Format FormatNamed(std::string_view name);

// The command-line name of `format` ("junit", "cucumber-messages", ...).
std::string_view NameOf(Format format);

// The command-line names of every format FormatNamed takes, "auto" first, in
// the order the usage lists them.
std::vector<std::string_view> FormatNames();

// The format of `bytes` (the whole file or at least its first 64 KiB) by content: XML by its root
// element; a JSON array of features as Cucumber's or behave's by their members; JSON objects one a
// line as Cucumber messages; text whose first line after any comments is a TAP version, plan, test
// point or "Bail out!" as Tap; other text as Csv. Unknown for empty or blank bytes, XML whose root
// no format has or without any element, and other JSON; XML broken before its root element
// counts as JUnit, whose reader says where it breaks.
Format DetectFormat(std::string_view bytes);

// DetectFormat of the start of the file named `file`; raises ReportError naming the file, why,
// and the formats tried when it is Unknown.
Format KnownFormatOf(const std::string& file, std::string_view bytes);

// Reads a runner report (never Csv; Auto detects). Raises ReportError: malformed XML or JSON
// ("FILE:LINE:COLUMN: ..."), "FILE holds no test results", a root the format does not have,
// content no format reads (as KnownFormatOf), values nested deeper than 256 levels, and a report
// over its memory budget (see ReadingBudget). Never processes a DTD: no entity beyond the five
// predefined ones is expanded and no external file is read. Names and messages are cut at
// kTextBytes.
RunnerReport ReadReport(const std::string& file, std::string_view bytes, Format format);

// ReadReport of the report stored in the file `path`, handing its tests to `take` in order, about
// a thousand at a time, each time in `report.tests` beside the report's format and final start
// date (`take` may move them away). It parses the file's bytes in place and drops what it has read
// from the tree, so it holds the file once, its tree, and a slice of tests. Also raises ReportError
// for a file that cannot be read, and Stopped (from `stop`, asked all along the reading and
// between slices) when the reading is to end.
void ReadReportFile(const std::string& path, Format format,
                    const std::function<void(RunnerReport& report)>& take,
                    const StopCheck& stop = {});

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_RUNNER_REPORT_H_
