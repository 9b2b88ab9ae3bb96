#ifndef QUORAX_OUTCOMES_CSV_ROW_ERRORS_H_
#define QUORAX_OUTCOMES_CSV_ROW_ERRORS_H_

#include <cstdint>
#include <memory>

#include "common/keyed_collection.h"
#include "outcomes/csv_row_error.h"

namespace quorax {

// The outcomes of one import run, in the order they were added, each under
// the decimal text of its row number. The import adds row r as entry r, so
// position and row number agree; a run that stops at a database failure has
// no entries for the rows after it. Shared by reference through the session.
class CSVRowErrors {
 public:
  // Appends a new outcome for `RowNum` with code `ErrorNum` and empty
  // ExtraInfo, then counts it as a success (a passed row, StateOfCode) or a
  // failure. Raises DuplicateKey when `RowNum` already has an entry (nothing
  // changes), Overflow when a counter would pass 32767 (the entry stays).
  void Add(int16_t RowNum, int16_t ErrorNum);

  // Returns the outcome of row `RowNum`, or nullptr when it has none.
  std::shared_ptr<CSVRowError> Item(int16_t RowNum);

  // Returns the outcome at `position` (from 1, in order of addition).
  // Raises SubscriptOutOfRange outside 1..Count().
  std::shared_ptr<CSVRowError> Errors(int32_t position) const;

  // Removes every outcome and resets both counters.
  void Clear();

  int32_t Count() const { return Entries.Count(); }
  int16_t SuccessCount() const { return SuccessTotal; }
  int16_t FailCount() const { return FailTotal; }

 private:
  KeyedCollection<std::shared_ptr<CSVRowError>> Entries;
  int16_t SuccessTotal = 0;
  int16_t FailTotal = 0;
};

}  // namespace quorax

#endif  // QUORAX_OUTCOMES_CSV_ROW_ERRORS_H_
