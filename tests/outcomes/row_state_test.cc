#include "outcomes/row_state.h"

#include <gtest/gtest.h>

namespace quorax {
namespace {

TEST(RowStateTest, CodeGivesTheStateAtEachBoundary) {
  const struct {
    int16_t code;
    RowState state;
  } cases[] = {
      {0, RowState::Passed},
      {5, RowState::Passed},
      {-1, RowState::Rejected},
      {-256, RowState::Rejected},
      {-257, RowState::DatabaseFailure},
      {-259, RowState::DatabaseFailure},
      {-32768, RowState::DatabaseFailure},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StateOfCode(c.code), c.state) << c.code;
    EXPECT_EQ(IsDatabaseFailure(c.code), c.state == RowState::DatabaseFailure) << c.code;
  }
}

TEST(RowStateTest, RowWithoutAnOutcomeWasNotProcessed) {
  CSVRowErrors outcomes;
  outcomes.Add(1, 0);
  outcomes.Add(2, -4);
  outcomes.Add(3, -259);
  const RowState expected[] = {RowState::NotProcessed, RowState::Passed, RowState::Rejected,
                               RowState::DatabaseFailure, RowState::NotProcessed};
  for (int32_t row = 0; row <= 4; ++row) {
    EXPECT_EQ(StateOfRow(outcomes, row), expected[row]) << row;
  }
}

}  // namespace
}  // namespace quorax
