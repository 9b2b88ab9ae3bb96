#ifndef QUORAX_WEB_RESULTS_VIEWS_H_
#define QUORAX_WEB_RESULTS_VIEWS_H_

#include <string>

#include "outcomes/csv_row_errors.h"
#include "upload/csv.h"
#include "web/results_frame.h"

namespace quorax {

// The views of the results page, each the HTML of one run's results table.
// `table` is the run's upload and `outcomes` what became of its rows; a run
// stopped by a database failure has no outcome for the rows after it, which
// show as not processed. Raise SubscriptOutOfRange when some other row of
// `table` has no outcome.

// The rows with a negative code and the rows never processed.
std::string DrawBadRowsTable(const CSV& table, const CSVRowErrors& outcomes,
                             const ResultsFrame& frame);

// Every row with its outcome; a positive code shows as rejected.
std::string DrawAllRowsTable(const CSV& table, const CSVRowErrors& outcomes,
                             const ResultsFrame& frame);

// The rows with code 0 only.
std::string DrawSuccessRowsTable(const CSV& table, const CSVRowErrors& outcomes,
                                 const ResultsFrame& frame);

// The notice that every row succeeded, whatever the outcomes: no header row,
// no data rows, and no run needed.
std::string DrawCompleteSuccess(const ResultsFrame& frame);

}  // namespace quorax

#endif  // QUORAX_WEB_RESULTS_VIEWS_H_
