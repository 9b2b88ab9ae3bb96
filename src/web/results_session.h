#ifndef QUORAX_WEB_RESULTS_SESSION_H_
#define QUORAX_WEB_RESULTS_SESSION_H_

#include <memory>

#include "outcomes/csv_row_errors.h"
#include "rows/row_table.h"
#include "sessions/session.h"

namespace quorax {

// The last run's rows and outcomes ("CSVErrors") in the session; the very
// objects, not copies. The rows are those of the table "CSVData" with the
// tester's corrections to it in place (RunCorrections). Each raises
// MissingKey when the session holds no run yet.
std::shared_ptr<const RowTable> RunTable(const Session& session);
std::shared_ptr<CSVRowErrors> RunOutcomes(const Session& session);

}  // namespace quorax

#endif  // QUORAX_WEB_RESULTS_SESSION_H_
