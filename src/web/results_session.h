#ifndef QUORAX_WEB_RESULTS_SESSION_H_
#define QUORAX_WEB_RESULTS_SESSION_H_

#include <memory>

#include "outcomes/csv_row_errors.h"
#include "rows/row_table.h"
#include "sessions/session.h"

namespace quorax {

// The last run's rows (of the table "CSVData") and outcomes ("CSVErrors") as
// the import left them in the session; the very objects, not copies. Each
// raises MissingKey when the session holds no run yet.
std::shared_ptr<const RowTable> RunTable(const Session& session);
std::shared_ptr<CSVRowErrors> RunOutcomes(const Session& session);

}  // namespace quorax

#endif  // QUORAX_WEB_RESULTS_SESSION_H_
