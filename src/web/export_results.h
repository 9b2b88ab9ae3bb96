#ifndef QUORAX_WEB_EXPORT_RESULTS_H_
#define QUORAX_WEB_EXPORT_RESULTS_H_

#include <string>

#include "host/web_host.h"
#include "outcomes/csv_row_errors.h"
#include "rows/row_table.h"

namespace quorax {

// Every data row of `table` in file order with its outcome, as CSV with every
// field quoted and CR LF line ends: the header line plus "Outcome", "Code"
// and "Reasons", then each row's uploaded values plus its outcome ("ok",
// "rejected", "database failure" or "not processed"), its code (empty when not
// processed) and its reasons (CSVRowError::Reasons) joined by "; ".
// With `uploaded` (the same rows before the tester corrected some of them in
// place), each line ends in the row's uploaded values too, under the column
// names followed by " as uploaded". Changes nothing.
std::string ExportResultsText(const RowTable& table, const CSVRowErrors& outcomes,
                              const RowTable* uploaded = nullptr);

// Sends the last run of the session as the download results.csv, in the
// upload's encoding (session "Encoding", as errors.csv), or, when
// the session holds no run, a short page saying there is nothing to download.
// Neither checks nor changes the page order.
void WriteExportResults(WebHost& host);

}  // namespace quorax

#endif  // QUORAX_WEB_EXPORT_RESULTS_H_
