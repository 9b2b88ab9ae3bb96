#ifndef QUORAX_WEB_POSTED_ROWS_H_
#define QUORAX_WEB_POSTED_ROWS_H_

#include <cstdint>
#include <string>

#include "host/web_host.h"
#include "outcomes/csv_row_errors.h"
#include "rows/row_table.h"
#include "web/run_corrections.h"

namespace quorax {

// The form fields of the fix view: the run the form was shown for
// (RunCorrections::Stamp), the data rows on it (numbers from 1, separated by
// spaces), and the cell of row N in column M (from 0).
inline constexpr char kRunField[] = "run";
inline constexpr char kRowsField[] = "rows";
std::string CellField(int32_t row, int32_t col);

// The cells a fix view form posted for `table`, the run as it now stands,
// whose outcomes are `outcomes` and whose corrections carry `stamp`. Raises
// InvalidArgument with a message for the tester, before anything changes,
// when the form was shown for another run, names a row that is no number, lies outside the run or
// comes twice, changes a row that has passed since the form was shown, or holds a cell with a
// control character or a character the browser could only send as a numeric reference ("&#..;"). A
// passed row posted with the cells it has is left out: a form sent twice.
RunCorrections::RowCells PostedRows(const WebHost& host, const RowTable& table,
                                    const CSVRowErrors& outcomes, uint64_t stamp);

}  // namespace quorax

#endif  // QUORAX_WEB_POSTED_ROWS_H_
