#ifndef QUORAX_RUNNERS_CASE_MAPPING_H_
#define QUORAX_RUNNERS_CASE_MAPPING_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rows/result_columns.h"
#include "runners/runner_report.h"

namespace re2 {
class RE2;
}  // namespace re2

namespace quorax::runners {

// How a test finds its test case ids. A match of `pattern` gives the first run of digits of its
// group 1 when the pattern has a group, else of the whole match. A pattern searches the first
// kTextBytes of each name and tag, in time linear in them and in bounded memory.
struct CaseRules {
  // default: "C" + digits, not preceded by a letter or digit
  std::shared_ptr<const re2::RE2> pattern;
  // test full name -> case ids (from --case-map)
  std::map<std::string, std::vector<std::string>> map;
  // `pattern` is the default, which MapTests matches without the regex engine
  bool default_pattern = true;
};

// The rules from --case-pattern (empty = default) and --case-map (empty = none). Raises ReportError
// for a pattern that is not a regular expression or one that needs what a linear-time engine
// cannot do (backreferences, lookarounds), naming the pattern, or an unreadable/malformed map file
// (CSV with columns "test" and "case"; ids separated by spaces).
CaseRules LoadCaseRules(const std::string& pattern, const std::string& map_file);

struct RunFields {
  std::string version, platform, browser, tester, date;  // date "YYYY-MM-DD"
};

struct MappedRow {
  ResultRow row;  // the nine columns (UTF-8 here)
  // the column "Test": the full name of the case's only test, else the first's and how many more
  std::string test;
  size_t report = 0;  // the index of the report in which the case first appears
};

struct Mapping {
  std::vector<MappedRow> rows;        // one per case id, in the order the cases first appear
  std::vector<std::string> unmapped;  // full names of tests without any case id, in report order
  int32_t replaced = 0;  // characters of generated notes Windows-1252 cannot hold, now "?"
};

// "P", "F" or "U".
std::string_view ResultOf(Verdict verdict);

// The rows of one run. Every test that maps to a case id joins that case's one row, whichever
// report or slice of a report it comes in: F when any of its tests failed, else U when any was not
// run, else P. The note is the message of the case's only test; with several tests, it names those
// that decided the result (each failed one for F, each untested one for U, each passed one with a
// message for P) with their messages, "name: message; ...". Notes are cut like NoteOf's. Memory
// grows with the cases, never with the tests.
class CaseGrouping {
 public:
  explicit CaseGrouping(const CaseRules& rules) : rules_(rules) {}

  // Joins `test` to the row of each of its case ids (ids, then matching tags, then the name by
  // pattern, then the map; each id once; never one made up from a name) and returns those ids,
  // none for an unmapped test. A case's row takes `fields` (its date must be set) and `report`
  // from its first test.
  // Matches a test's shared tags once for all the tests in a row that share them.
  std::vector<std::string> Add(const RunnerTest& test, const RunFields& fields, size_t report);

  // The rows, in the order their cases first appeared, with their notes; empties the grouping.
  Mapping Take();

 private:
  // What a row keeps of its tests: enough for its result, its note and its column "Test".
  struct CaseRow {
    ResultRow row;  // the case id and the run's fields; Result and Notes are set by Take
    size_t report = 0;
    Verdict verdict = Verdict::Passed;
    std::string first_test;
    int32_t tests = 0;
    int32_t noted = 0;           // tests that decide the result and are named in the note
    std::string first_note;      // the note of the first of them
    int32_t first_replaced = 0;  // its characters that became "?"
    std::string named;           // "name: note; ..." while it may still show in a note
    int32_t named_replaced = 0;  // the characters of notes in `named` that became "?"
  };
  void Join(CaseRow& row, const RunnerTest& test) const;

  // The ids of `test`, each once, its shared tags' ids taken from shared_ids_.
  std::vector<std::string> IdsOf(const RunnerTest& test);

  const CaseRules& rules_;
  std::shared_ptr<const std::vector<std::string>> shared_;  // the shared tags last matched
  std::vector<std::string> shared_ids_;                     // their ids
  std::map<std::string, size_t> index_;                     // case id -> its row in rows_
  std::vector<CaseRow> rows_;
};

// The rows of `report` alone (one CaseGrouping) and its unmapped tests. `fields.date` must be set
// (the caller resolves --date / report's start / today).
Mapping MapTests(const RunnerReport& report, const RunFields& fields, const CaseRules& rules);

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_CASE_MAPPING_H_
