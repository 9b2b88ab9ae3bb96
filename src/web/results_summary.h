#ifndef QUORAX_WEB_RESULTS_SUMMARY_H_
#define QUORAX_WEB_RESULTS_SUMMARY_H_

#include <cstdint>
#include <string>

#include "outcomes/csv_row_errors.h"
#include "outcomes/row_state.h"
#include "rows/row_table.h"

namespace quorax {

// The line above the results table that sums up a run: the rows read and how
// many passed, were rejected, met a database failure or were not processed,
// and, when the reader stopped early, the `unread_rows` it never reached;
// then a bar whose segments are proportional to those counts. The bar is
// hidden from screen readers; the sentence before it says the same.
std::string DrawRunSummary(const RowTable& table, const CSVRowErrors& outcomes,
                           int32_t unread_rows = 0);
// The same line for a run whose rows are counted in `tally`.
std::string DrawRunSummary(const RowTally& tally, int32_t unread_rows = 0);

}  // namespace quorax

#endif  // QUORAX_WEB_RESULTS_SUMMARY_H_
