#ifndef QUORAX_RUNNERS_CASE_MAPPING_H_
#define QUORAX_RUNNERS_CASE_MAPPING_H_

#include <cstdint>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "rows/result_columns.h"
#include "runners/runner_report.h"

namespace quorax::runners {

// How a test finds its test case ids. A match of `pattern` gives the first run of digits of its
// group 1 when the pattern has a group, else of the whole match.
struct CaseRules {
  // default: "C" + digits, not preceded by a letter or digit
  std::regex pattern;
  // test full name -> case ids (from --case-map)
  std::map<std::string, std::vector<std::string>> map;
  // `pattern` is the default, which MapTests matches without the regex engine
  bool default_pattern = true;
};

// The rules from --case-pattern (empty = default) and --case-map (empty = none). Raises ReportError
// for a bad pattern or an unreadable/malformed map file (CSV with columns "test" and "case"; ids
// separated by spaces).
CaseRules LoadCaseRules(const std::string& pattern, const std::string& map_file);

struct RunFields {
  std::string version, platform, browser, tester, date;  // date "YYYY-MM-DD"
};

struct MappedRow {
  ResultRow row;     // the nine columns (UTF-8 here)
  std::string test;  // the test's full name
};

struct Mapping {
  std::vector<MappedRow> rows;        // one per (test, case id), in report order
  std::vector<std::string> unmapped;  // full names of tests without any case id, in report order
  int32_t replaced = 0;  // characters of generated notes Windows-1252 cannot hold, now "?"
};

// Maps every test of `report` to its case ids (ids, then matching tags, then the name by pattern,
// then the map; all of them, each id once; never an id made up from a name). TestCaseID is the
// digits ("C123" and "123" -> "123"). Result P/F/U; Notes = first line of the message (a passed
// test has one only when it passed on a rerun), at most 255 characters, cut with "…", else empty.
// `fields.date` must be set (the caller resolves
// --date / report's start / today).
Mapping MapTests(const RunnerReport& report, const RunFields& fields, const CaseRules& rules);

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_CASE_MAPPING_H_
