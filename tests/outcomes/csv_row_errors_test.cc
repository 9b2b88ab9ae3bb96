#include "outcomes/csv_row_errors.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "common/errors.h"

namespace quorax {
namespace {

// The three counters, all rows, passed and failed: an Add, a refused Add or a
// Clear must leave them agreeing, so they are checked together.
using Counters = std::array<int32_t, 3>;
Counters CountsOf(const CSVRowErrors& outcomes) {
  return {outcomes.Count(), outcomes.SuccessCount(), outcomes.FailCount()};
}

// A collection to which `rows`, each {row number, code}, were added in order.
CSVRowErrors Holding(std::initializer_list<std::pair<int16_t, int16_t>> rows) {
  CSVRowErrors outcomes;
  for (const auto& [row, code] : rows) outcomes.Add(row, code);
  return outcomes;
}

TEST(CSVRowErrorsTest, NewCollectionIsEmpty) {
  CSVRowErrors outcomes;
  EXPECT_EQ(CountsOf(outcomes), (Counters{0, 0, 0}));
  EXPECT_EQ(outcomes.Item(1), nullptr);
  EXPECT_THROW(outcomes.Errors(1), SubscriptOutOfRange);
}

TEST(CSVRowErrorsTest, AddCountsSuccessesAndFailures) {
  CSVRowErrors outcomes = Holding({{1, 0}, {2, -3}, {5, 7}});
  EXPECT_EQ(CountsOf(outcomes), (Counters{3, 2, 1}));  // a positive code passes
  EXPECT_EQ(outcomes.Errors(2)->RowNumber, 2);
  EXPECT_EQ(outcomes.Errors(2)->ErrorNumber, -3);
  EXPECT_EQ(outcomes.Errors(2)->ExtraInfo, "");
  EXPECT_THROW(outcomes.Errors(4), SubscriptOutOfRange);
  EXPECT_THROW(outcomes.Errors(0), SubscriptOutOfRange);
}

TEST(CSVRowErrorsTest, ItemFindsTheSameObjectByRowNumber) {
  CSVRowErrors outcomes = Holding({{12, 0}, {3, -1}});
  EXPECT_EQ(outcomes.Item(12), outcomes.Errors(1));
  EXPECT_EQ(outcomes.Item(3), outcomes.Errors(2));
  outcomes.Item(12)->ExtraInfo = "Verified successfully.";
  EXPECT_EQ(outcomes.Errors(1)->ExtraInfo, "Verified successfully.");
  EXPECT_EQ(outcomes.Item(9), nullptr);
  EXPECT_EQ(outcomes.Item(-12), nullptr);
}

TEST(CSVRowErrorsTest, DuplicateRowIsRefusedAndChangesNothing) {
  CSVRowErrors outcomes = Holding({{1, 0}});
  EXPECT_THROW(outcomes.Add(1, -4), DuplicateKey);
  EXPECT_EQ(CountsOf(outcomes), (Counters{1, 1, 0}));
  EXPECT_EQ(outcomes.Item(1)->ErrorNumber, 0);
}

TEST(CSVRowErrorsTest, ClearAllowsTheSameRowsAgain) {
  CSVRowErrors outcomes = Holding({{1, 0}, {2, -2}});
  outcomes.Clear();
  EXPECT_EQ(CountsOf(outcomes), (Counters{0, 0, 0}));
  outcomes.Add(1, -2);
  EXPECT_EQ(CountsOf(outcomes), (Counters{1, 0, 1}));
}

TEST(CSVRowErrorsTest, CounterOverflowsPast32767ButKeepsTheEntry) {
  CSVRowErrors outcomes;
  for (int row = 1; row <= 32767; ++row) outcomes.Add(static_cast<int16_t>(row), 0);
  EXPECT_EQ(outcomes.SuccessCount(), 32767);
  EXPECT_THROW(outcomes.Add(-1, 0), Overflow);
  EXPECT_EQ(outcomes.Count(), 32768);
  EXPECT_NE(outcomes.Item(-1), nullptr);
  outcomes.Add(-2, -1);
  EXPECT_EQ(outcomes.FailCount(), 1);
}

}  // namespace
}  // namespace quorax
