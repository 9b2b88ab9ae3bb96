#ifndef QUORAX_WEB_RESULTS_VIEWS_H_
#define QUORAX_WEB_RESULTS_VIEWS_H_

#include <string>

#include "outcomes/csv_row_errors.h"
#include "rows/row_table.h"
#include "web/results_frame.h"

namespace quorax {

// The views of the results page, each the HTML of one run's results table.
// `table` is the run's upload and `outcomes` what became of its rows; a run
// stopped by a database failure has no outcome for the rows after it, which
// show as not processed. Raise SubscriptOutOfRange when some other row of
// `table` has no outcome.

// The rows that did not pass: rejected, a database failure, never processed.
std::string DrawBadRowsTable(const RowTable& table, const CSVRowErrors& outcomes,
                             const ResultsFrame& frame);

// Every row with its outcome.
std::string DrawAllRowsTable(const RowTable& table, const CSVRowErrors& outcomes,
                             const ResultsFrame& frame);

// The rows that passed (StateOfCode).
std::string DrawSuccessRowsTable(const RowTable& table, const CSVRowErrors& outcomes,
                                 const ResultsFrame& frame);

// The notice that every row succeeded, whatever the outcomes, or, for a
// file without data rows, why it had none: no header row, no data rows, and
// no run needed.
std::string DrawCompleteSuccess(const ResultsFrame& frame);

}  // namespace quorax

#endif  // QUORAX_WEB_RESULTS_VIEWS_H_
