#include "cli/test_ledger.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorax::cli {
namespace {

std::vector<std::string> Names(const std::vector<LedgerTest>& tests) {
  std::vector<std::string> names;
  for (const LedgerTest& test : tests)
    names.push_back(test.file + "|" + test.name + "|" + test.result);
  return names;
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
  EXPECT_EQ(Names(ledger.TestsOf("5")),
            (std::vector<std::string>{"a.xml|first|P", "b.xml||U", "b.xml|last ✓|F"}));
  EXPECT_EQ(Names(ledger.TestsOf("6")), std::vector<std::string>{"a.xml|" + long_name + "|F"});
  EXPECT_TRUE(ledger.TestsOf("7").empty());
}

}  // namespace
}  // namespace quorax::cli
