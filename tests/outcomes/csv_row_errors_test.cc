#include "outcomes/csv_row_errors.h"

#include <gtest/gtest.h>

#include "common/errors.h"

namespace quorax {
namespace {

TEST(CSVRowErrorsTest, NewCollectionIsEmpty) {
  CSVRowErrors outcomes;
  EXPECT_EQ(outcomes.Count(), 0);
  EXPECT_EQ(outcomes.SuccessCount(), 0);
  EXPECT_EQ(outcomes.FailCount(), 0);
  EXPECT_EQ(outcomes.Item(1), nullptr);
  EXPECT_THROW(outcomes.Errors(1), SubscriptOutOfRange);
}

TEST(CSVRowErrorsTest, AddCountsSuccessesAndFailures) {
  CSVRowErrors outcomes;
  outcomes.Add(1, 0);
  outcomes.Add(2, -3);
  outcomes.Add(5, 7);
  EXPECT_EQ(outcomes.Count(), 3);
  EXPECT_EQ(outcomes.SuccessCount(), 2);  // a positive code passes
  EXPECT_EQ(outcomes.FailCount(), 1);
  EXPECT_EQ(outcomes.Errors(2)->RowNumber, 2);
  EXPECT_EQ(outcomes.Errors(2)->ErrorNumber, -3);
  EXPECT_EQ(outcomes.Errors(2)->ExtraInfo, "");
  EXPECT_THROW(outcomes.Errors(4), SubscriptOutOfRange);
  EXPECT_THROW(outcomes.Errors(0), SubscriptOutOfRange);
}

TEST(CSVRowErrorsTest, ItemFindsTheSameObjectByRowNumber) {
  CSVRowErrors outcomes;
  outcomes.Add(12, 0);
  outcomes.Add(3, -1);
  EXPECT_EQ(outcomes.Item(12), outcomes.Errors(1));
  EXPECT_EQ(outcomes.Item(3), outcomes.Errors(2));
  outcomes.Item(12)->ExtraInfo = "Verified successfully.";
  EXPECT_EQ(outcomes.Errors(1)->ExtraInfo, "Verified successfully.");
  EXPECT_EQ(outcomes.Item(9), nullptr);
  EXPECT_EQ(outcomes.Item(-12), nullptr);
}

TEST(CSVRowErrorsTest, DuplicateRowIsRefusedAndChangesNothing) {
  CSVRowErrors outcomes;
  outcomes.Add(1, 0);
  EXPECT_THROW(outcomes.Add(1, -4), DuplicateKey);
  EXPECT_EQ(outcomes.Count(), 1);
  EXPECT_EQ(outcomes.SuccessCount(), 1);
  EXPECT_EQ(outcomes.FailCount(), 0);
  EXPECT_EQ(outcomes.Item(1)->ErrorNumber, 0);
}

TEST(CSVRowErrorsTest, ClearAllowsTheSameRowsAgain) {
  CSVRowErrors outcomes;
  outcomes.Add(1, 0);
  outcomes.Add(2, -2);
  outcomes.Clear();
  EXPECT_EQ(outcomes.Count(), 0);
  EXPECT_EQ(outcomes.SuccessCount(), 0);
  EXPECT_EQ(outcomes.FailCount(), 0);
  outcomes.Add(1, -2);
  EXPECT_EQ(outcomes.FailCount(), 1);
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
