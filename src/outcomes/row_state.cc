#include "outcomes/row_state.h"

namespace quorax {

void RowTally::Add(RowState state) {
  ++rows;
  switch (state) {
    case RowState::Passed:
      ++passed;
      break;
    case RowState::Rejected:
      ++rejected;
      break;
    case RowState::DatabaseFailure:
      ++database_failures;
      break;
    case RowState::NotProcessed:
      ++not_processed;
      break;
  }
}

int32_t RowTally::Of(RowState state) const {
  switch (state) {
    case RowState::Passed:
      return passed;
    case RowState::Rejected:
      return rejected;
    case RowState::DatabaseFailure:
      return database_failures;
    case RowState::NotProcessed:
      break;
  }
  return not_processed;
}

RowTally TallyRows(const CSVRowErrors& outcomes, int32_t rows) {
  RowTally tally;
  for (int32_t row = 1; row <= rows; ++row) tally.Add(StateOfRow(outcomes, row));
  return tally;
}

RowState StateOfRow(const CSVRowErrors& outcomes, int32_t row) {
  if (row < 1 || row > outcomes.Count()) return RowState::NotProcessed;
  return StateOfCode(outcomes.Errors(row)->ErrorNumber);
}

}  // namespace quorax
