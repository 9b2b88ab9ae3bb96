#include "outcomes/row_state.h"

namespace quorax {

RowState StateOfCode(int16_t code) {
  if (code == 0) return RowState::Passed;
  return IsDatabaseFailure(code) ? RowState::DatabaseFailure : RowState::Rejected;
}

RowState StateOfRow(const CSVRowErrors& outcomes, int32_t row) {
  if (row < 1 || row > outcomes.Count()) return RowState::NotProcessed;
  return StateOfCode(outcomes.Errors(row)->ErrorNumber);
}

}  // namespace quorax
