#ifndef QUORAX_OUTCOMES_ROW_STATE_H_
#define QUORAX_OUTCOMES_ROW_STATE_H_

#include <cstdint>

#include "outcomes/csv_row_errors.h"

namespace quorax {

// True for a code that reports a failure of the database rather than a
// verdict on the row: every code below -256 (-257, -258, -259).
constexpr bool IsDatabaseFailure(int16_t code) { return code < -256; }

// What became of one data row of a run. Every report of a run (pages,
// downloads, metrics, command line) classifies rows by StateOfCode alone.
enum class RowState {
  Passed,           // code 0, or a positive code: the procedure found no fault
  Rejected,         // -1..-256: the procedure's failure flags
  DatabaseFailure,  // the row at which the run stopped
  NotProcessed,     // a row after the database failure: never sent
};

// The state of data row `row` (from 1) of a run whose outcomes are
// `outcomes`. A run stops at its first database failure, so a row without an
// outcome is one that was not processed.
RowState StateOfRow(const CSVRowErrors& outcomes, int32_t row);

// The state of a row whose outcome code is `code`.
constexpr RowState StateOfCode(int16_t code) {
  if (code >= 0) return RowState::Passed;
  return IsDatabaseFailure(code) ? RowState::DatabaseFailure : RowState::Rejected;
}

// How many rows of a run are in each state.
struct RowTally {
  int32_t rows = 0;
  int32_t passed = 0;
  int32_t rejected = 0;
  int32_t database_failures = 0;
  int32_t not_processed = 0;

  // Counts one more row in `state`.
  void Add(RowState state);
  // The rows counted in `state`.
  int32_t Of(RowState state) const;
};

// The tally of data rows 1 to `rows` of a run whose outcomes are `outcomes`.
RowTally TallyRows(const CSVRowErrors& outcomes, int32_t rows);

}  // namespace quorax

#endif  // QUORAX_OUTCOMES_ROW_STATE_H_
