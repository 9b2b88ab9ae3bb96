#ifndef QUORAX_WEB_RUN_DOWNLOAD_H_
#define QUORAX_WEB_RUN_DOWNLOAD_H_

#include <memory>

#include "common/spool_file.h"
#include "web/file_run.h"

namespace quorax {

// A finished run's rows as a CSV file, written to a spool file while the
// run's file is read again a piece at a time, so that a run of any size
// takes little memory: with `all_rows` results.csv (the header line plus
// "Outcome", "Code" and "Reasons", then every row with its outcome), else
// errors.csv (the header line and the rows that did not pass, as read).
// Every field is quoted; UTF-8 with a byte-order mark when the run's file
// was UTF-8, else Windows-1252. Raises as ReadRunPieces does.
std::unique_ptr<SpoolFile> WriteRunDownload(const FileRun& run, bool all_rows);

}  // namespace quorax

#endif  // QUORAX_WEB_RUN_DOWNLOAD_H_
