#ifndef QUORAX_CLI_RESULTS_H_
#define QUORAX_CLI_RESULTS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "outcomes/row_state.h"
#include "rows/csv.h"

namespace quorax::cli {

// What became of one data row of the file.
struct RowResult {
  int32_t row = 0;                  // the file's data row number, from 1
  std::vector<std::string> values;  // the row's cells as the server reads them (Windows-1252)
  RowState state = RowState::NotProcessed;
  std::string code;     // the verdict number; empty when not processed
  std::string reasons;  // the outcome's description, lines joined by "; "
};

// The outcomes of a whole file, in file order; all text in Windows-1252.
struct RunResults {
  std::vector<std::string> header;
  int32_t test_column = -1;  // the column "Test" (a runner report's test) of header, or -1
  std::vector<RowResult> rows;
};

// The header of `table`: its names as the file writes them, a quoted name
// without its quotes (the server keeps them).
std::vector<std::string> HeaderOf(const CSV& table);

// Adds the rows of a piece whose data rows `table` holds and whose first row
// is the file's row `first_row`, with the outcomes the results download
// `download` (Windows-1252, or UTF-8 after a byte-order mark) gives them. Rows the download does
// not hold are not processed. Raises CliFailure (kServiceFailed) for a download it cannot
// understand or one holding more rows than the piece.
void AddPiece(const CSV& table, int32_t first_row, const std::string& download,
              RunResults& results);

// Adds the rows of a piece that was never sent: each one not processed.
void AddUnsentPiece(const CSV& table, int32_t first_row, RunResults& results);

// True when some row of `results` met a database failure.
bool DatabaseFailed(const RunResults& results);

// The number of rows of `results` in each state.
RowTally Count(const RunResults& results);

// kAllPassed, kRowsRejected or, after a database failure or with rows not
// processed, kServiceFailed.
ExitStatus StatusOf(const RowTally& tally);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_RESULTS_H_
