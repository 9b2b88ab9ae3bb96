#include "cli/test_ledger.h"

#include <gtest/gtest.h>

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

// Each case gives back its own tests in the order they were filed, whatever their length and
// however the cases interleave.
TEST(TestLedger, GivesBackEachCasesTestsInOrder) {
  TestLedger ledger;
  const std::string long_name(2000, 'n');
  ledger.Add("5", {"a.xml", "first", "P"});
  ledger.Add("6", {"a.xml", long_name, "F"});
  ledger.Add("5", {"b.xml", "", "U"});
  ledger.Add("5", {"b.xml", "last ✓", "F"});
  EXPECT_EQ(Tests(ledger, "5"),
            (std::vector<std::string>{"a.xml|first|P", "b.xml||U", "b.xml|last ✓|F"}));
  EXPECT_EQ(Tests(ledger, "6"), std::vector<std::string>{"a.xml|" + long_name + "|F"});
  EXPECT_TRUE(Tests(ledger, "7").empty());
}

}  // namespace
}  // namespace quorax::cli
