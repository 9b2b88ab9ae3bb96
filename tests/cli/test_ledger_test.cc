#include "cli/test_ledger.h"

#include <gtest/gtest.h>

#include "cli/exit_status.h"

#include <string>
#include <vector>

namespace quorax::cli {
namespace {

// The tests of `case_id`, each as "file|name|result".
std::vector<std::string> Tests(const TestLedger& ledger, const std::string& case_id) {
  std::vector<std::string> tests;
  const size_t count = ledger.ForEach(case_id, [&](const LedgerTest& test) {
    tests.push_back(test.file + "|" + test.name + "|" + test.result);
  });
  EXPECT_EQ(count, tests.size());
  return tests;
}

// Each case gives back its own tests in the order they were filed, whatever their length (a name
// is kept to 1,024 bytes) and however the cases interleave.
TEST(TestLedger, GivesBackEachCasesTestsInOrder) {
  TestLedger ledger;
  const std::string long_name(2000, 'n');
  ledger.Add("5", {"a.xml", "first", "P"});
  ledger.Add("6", {"a.xml", long_name, "F"});
  ledger.Add("5", {"b.xml", "", "U"});
  ledger.Add("5", {"b.xml", "last ✓", "F"});
  EXPECT_EQ(Tests(ledger, "5"),
            (std::vector<std::string>{"a.xml|first|P", "b.xml||U", "b.xml|last ✓|F"}));
  EXPECT_EQ(Tests(ledger, "6"),
            std::vector<std::string>{"a.xml|" + long_name.substr(0, 1024) + "|F"});
  EXPECT_TRUE(Tests(ledger, "7").empty());
}

// A ledger with no report allowed for holds 1 MiB: the test that would pass it is refused, naming
// the budget, and those filed before stay.
TEST(TestLedger, RefusesATestPastItsBudget) {
  TestLedger ledger;
  const std::string name(TestLedger::kNameBytes, 'n');
  int filed = 0;
  try {
    for (; filed < 2000; ++filed) ledger.Add("5", {"a.xml", name, "P"});
    ADD_FAILURE() << "no budget";
  } catch (const CliFailure& e) {
    EXPECT_EQ(e.status(), kBadUsage);
    EXPECT_NE(std::string(e.what()).find("more than 1 MiB on disk"), std::string::npos) << e.what();
  }
  EXPECT_GT(filed, 900);
  EXPECT_EQ(Tests(ledger, "5").size(), static_cast<size_t>(filed));
}

}  // namespace
}  // namespace quorax::cli
