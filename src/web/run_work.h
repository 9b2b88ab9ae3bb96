#ifndef QUORAX_WEB_RUN_WORK_H_
#define QUORAX_WEB_RUN_WORK_H_

#include <chrono>
#include <string>

#include "kept/connection_keeper.h"
#include "rows/csv.h"
#include "web/file_run.h"
#include "web/run_stop.h"

namespace quorax {

// The reason a run ends when the database no longer accepts its sign-in.
inline constexpr char kAccessEndedMessage[] =
    "Access ended: the database no longer accepts this login; the rows before were recorded.";

// Carries out `run` on the calling thread: reads its file with the command
// line's readers (a CSV file in either encoding, or a runner's report made
// into one row per test case), checks every piece the way an upload is read
// before anything is sent, then connects with the session's sign-in and
// sends the pieces one after another through the upload's verify or import
// code. Stops after a database failure (the import's stop rule), and ends
// as `stop` says once it raises, asked per piece and by the readers; the
// rows sent before stay recorded. A connection `max_age` old is made afresh
// between two pieces, checking the credentials again; refused credentials
// end the run by FailAccess. A file that cannot be read, or a refused
// connection, fails the run with the reason (naming the file as the browser
// did) and sends nothing. While the database has no connection to spare,
// one of `keeper`'s is closed to make room or awaited, as for a session's
// upload.
void CarryOutRun(FileRun& run, RunStop& stop, ConnectionKeeper& keeper,
                 std::chrono::milliseconds max_age);

// The rows of `piece`, whose first is the file's data row `first_row`, as
// they now stand: each row that `corrections` holds with its corrected
// cells, every row with its origin.
RowTable AsNowStands(const RowTable& piece, int32_t first_row,
                     const FileRun::RowCells& corrections);

}  // namespace quorax

#endif  // QUORAX_WEB_RUN_WORK_H_
