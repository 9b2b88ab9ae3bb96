#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/windows1252.h"
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

// Notes: empty for a test without a message, else its first non-blank line, cut at 255
// characters with "…"; characters Windows-1252 lacks become "?" and are counted.
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

// The tests of one case make one row whichever piece or report they come in: F when any failed,
// else U when any was not run, else P; with several tests the note names those that decided it.
TEST(RunnerMapping, GroupsTheTestsOfACaseIntoOneRowAcrossPiecesAndReports) {
  const CaseRules rules = LoadCaseRules("", "");
  CaseGrouping grouping(rules);
  const struct {
    size_t report;
    const char* name;
    Verdict verdict;
    const char* message;
  } kPieces[][4] = {
      {{0, "C1 a", Verdict::Passed, ""},
       {0, "C2 a", Verdict::Passed, ""},
       {0, "C2 b", Verdict::Failed, "boom\nat line 9"},
       {0, "C3 a", Verdict::Untested, "no browser"}},
      {{0, "C4 a", Verdict::Untested, "later"},
       {0, "C4 b", Verdict::Failed, ""},
       {0, "C1 b", Verdict::Passed, ""},
       {0, "C3 b", Verdict::Passed, ""}},
      {{1, "C2 c", Verdict::Failed, "timeout"},
       {1, "C5 a", Verdict::Untested, "pending"},
       {1, "C1 c", Verdict::Passed, ""},
       {1, "C4 c", Verdict::Failed, "again"}},
  };
  for (const auto& piece : kPieces) {
    for (const auto& t : piece) {
      RunnerTest test = NamedTest(t.name);
      test.verdict = t.verdict;
      test.message = t.message;
      grouping.Add(test, RunFields{"", "", "", "", t.report == 0 ? "2024-01-01" : "2024-01-02"},
                   t.report);
    }
  }
  const struct {
    const char* id;
    const char* result;
    const char* note;
    const char* test;
    size_t report;
  } kRows[] = {
      {"1", "P", "", "C1 a and 2 more", 0},
      {"2", "F", "C2 b: boom; C2 c: timeout", "C2 a and 2 more", 0},
      {"3", "U", "C3 a: no browser", "C3 a and 1 more", 0},
      {"4", "F", "C4 b; C4 c: again", "C4 a and 2 more", 0},
      {"5", "U", "pending", "C5 a", 1},
  };
  const Mapping mapping = grouping.Take();
  ASSERT_EQ(mapping.rows.size(), std::size(kRows));
  for (size_t i = 0; i < std::size(kRows); ++i) {
    SCOPED_TRACE(kRows[i].id);
    const MappedRow& row = mapping.rows[i];
    EXPECT_EQ(row.row.TestCaseID, kRows[i].id);
    EXPECT_EQ(row.row.Result, kRows[i].result);
    EXPECT_EQ(row.row.Notes, kRows[i].note);
    EXPECT_EQ(row.test, kRows[i].test);
    EXPECT_EQ(row.report, kRows[i].report);
    EXPECT_EQ(row.row.TestDate, kRows[i].report == 0 ? "2024-01-01" : "2024-01-02");
  }

  // A note naming many failures is cut like any other.
  CaseGrouping many(rules);
  RunnerTest failed = NamedTest("C9 ✓ test");
  failed.verdict = Verdict::Failed;
  failed.message = std::string(40, 'x');
  for (int i = 0; i < 50; ++i) many.Add(failed, RunFields(), 0);
  const Mapping cut = many.Take();
  const std::string& note = cut.rows.at(0).row.Notes;
  EXPECT_TRUE(note.starts_with("C9 ? test: xxx")) << note;
  EXPECT_TRUE(note.ends_with("…")) << note;
  EXPECT_EQ(Windows1252FromUtf8(note).size(), 255U);
  EXPECT_GT(cut.replaced, 0);
  EXPECT_LT(cut.replaced, 50);
}

}  // namespace
}  // namespace quorax::runners
