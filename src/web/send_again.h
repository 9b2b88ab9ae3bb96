#ifndef QUORAX_WEB_SEND_AGAIN_H_
#define QUORAX_WEB_SEND_AGAIN_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "outcomes/csv_row_errors.h"
#include "rows/row_table.h"
#include "tcdb/tcdb.h"

namespace quorax {

class Session;

// The rows of a run to send again after the tester changed `changed` (numbers
// from 1): those, and every row the database has not judged (its database
// failure and the rows after it), ascending and each once.
std::vector<int32_t> RowsToSendAgain(const std::vector<int32_t>& changed, int32_t row_count,
                                     const CSVRowErrors& outcomes);

// Sends rows `rows` (from 1, ascending) of `table`, the run as it now
// stands, through SendRows: to the verify procedure, or the insert procedure
// when `import`. Returns the run's outcomes with theirs in place of the old
// ones of `outcomes`; every other row keeps its outcome. Like any run it
// stops at its first database failure: rows after that one keep no outcome
// and show as not processed. `outcomes` is left unchanged.
// REQUIRES: `database` is connected; every row lies in 1..table.RowCount().
std::shared_ptr<CSVRowErrors> SendAgain(TCDB& database, const RowTable& table,
                                        const std::vector<int32_t>& rows, bool import,
                                        const CSVRowErrors& outcomes, Session& session);

}  // namespace quorax

#endif  // QUORAX_WEB_SEND_AGAIN_H_
