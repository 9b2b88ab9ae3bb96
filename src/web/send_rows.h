#ifndef QUORAX_WEB_SEND_ROWS_H_
#define QUORAX_WEB_SEND_ROWS_H_

#include "outcomes/csv_row_errors.h"
#include "rows/row_table.h"
#include "tcdb/tcdb.h"

namespace quorax {

class Session;

// The code of a row not sent because a cell holds a NUL byte, which the
// database cannot store: rejected with no failure flag, its reason in the
// outcome's ExtraInfo.
inline constexpr int16_t kRowHoldsNul = -256;

// Sends every data row of `table` to the verify procedure (or, when
// `import`, the insert procedure) and records one outcome per row sent,
// numbered from 1, with its description; a row that does not pass sets the session's
// "NoErrors" to false. A row with a NUL byte in a cell is not sent: it gets
// kRowHoldsNul. Stops after the first database failure, whose outcome
// carries the database's text; later rows get no outcome. An import whose
// connection was lost with a commit in flight ends instead with the rows of
// that transaction, each kNotKnownWhetherRecorded with a text that tells the
// tester to verify them first. The table keeps the uploaded values. Returns
// true when a database failure stopped the run.
// REQUIRES: `database` is connected.
bool SendRows(TCDB& database, const RowTable& table, bool import, CSVRowErrors& outcomes,
              Session& session);

}  // namespace quorax

#endif  // QUORAX_WEB_SEND_ROWS_H_
