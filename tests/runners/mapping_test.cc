#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runners/case_mapping.h"

namespace quorax::runners {
namespace {

std::vector<std::string> CaseIds(const Mapping& mapping) {
  std::vector<std::string> ids;
  for (const MappedRow& mapped : mapping.rows) ids.push_back(mapped.row.TestCaseID);
  return ids;
}

RunnerTest NamedTest(std::string name, std::vector<std::string> ids = {},
                     std::vector<std::string> tags = {}) {
  RunnerTest test;
  test.name = std::move(name);
  test.ids = std::move(ids);
  test.tags = std::move(tags);
  return test;
}

Mapping Map(RunnerTest test, const CaseRules& rules) {
  RunnerReport report;
  report.tests.push_back(std::move(test));
  return MapTests(report, RunFields(), rules);
}

// Where case ids come from, in which order, and which texts never give one.
TEST(RunnerMapping, FindsEveryCaseIdInOrderAndMakesNoneUp) {
  // The default pattern, matched without the regex engine, and the same
  // pattern given as an option find the same ids.
  std::vector<CaseRules> rule_sets;
  rule_sets.push_back(LoadCaseRules("", ""));
  rule_sets.push_back(LoadCaseRules("(?:^|[^A-Za-z0-9])C([0-9]+)", ""));
  const struct {
    RunnerTest test;
    std::vector<std::string> expected;
  } kCases[] = {
      {NamedTest("t", {"C123", "045"}), {"123", "45"}},
      {NamedTest("t", {"C8 12,C13"}), {"8", "12", "13"}},
      {NamedTest("suite.mapped_C5", {"7"}, {"smoke", "@C3", "C7"}), {"7", "3", "5", "9"}},
      {NamedTest("name [C3] and test_C4, x C5C6 éC7"), {"3", "4", "5", "7"}},
      {NamedTest("TC12 ABC3 x1C2 C c", {"abc", "C"}, {"TC9"}), {}},
  };
  for (CaseRules& rules : rule_sets) {
    rules.map["suite.mapped_C5"] = {"9", "7"};
    for (const auto& c : kCases) {
      SCOPED_TRACE(c.test.name);
      const Mapping mapping = Map(c.test, rules);
      EXPECT_EQ(CaseIds(mapping), c.expected);
      EXPECT_EQ(mapping.unmapped.size(), c.expected.empty() ? 1U : 0U);
    }
  }
  const CaseRules custom = LoadCaseRules("TC-([0-9]+)", "");
  EXPECT_EQ(CaseIds(Map(NamedTest("TC-42 login C7"), custom)), std::vector<std::string>{"42"});
}

// Notes: the first non-blank line (a passed test has one only when it passed on a rerun), cut at
// 255 characters with "…"; characters Windows-1252 lacks become "?" and are counted.
TEST(RunnerMapping, NotesAreOneLineOfAtMost255Characters) {
  const std::string x255(255, 'x');
  std::string checks;
  for (int i = 0; i < 300; ++i) checks += "✓";
  const struct {
    Verdict verdict;
    std::string message;
    std::string note;
    int32_t replaced;
  } kCases[] = {
      {Verdict::Passed, "", "", 0},
      {Verdict::Passed, "passed on a rerun after: boom", "passed on a rerun after: boom", 0},
      {Verdict::Failed, "\n  \n  expected 3, got 4  \r\n  at line 9", "expected 3, got 4", 0},
      {Verdict::Untested, x255, x255, 0},
      {Verdict::Untested, x255 + "y", std::string(254, 'x') + "…", 0},
      {Verdict::Failed, "é ✓ “quoted” \xF0\x9F\x98\x80 \xFF.", "é ? “quoted” ? ?.", 3},
      {Verdict::Failed, checks, std::string(254, '?') + "…", 254},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.message);
    RunnerTest test = NamedTest("C1");
    test.verdict = c.verdict;
    test.message = c.message;
    const Mapping mapping = Map(test, LoadCaseRules("", ""));
    EXPECT_EQ(mapping.rows.at(0).row.Notes, c.note);
    EXPECT_EQ(mapping.replaced, c.replaced);
  }
}

}  // namespace
}  // namespace quorax::runners
