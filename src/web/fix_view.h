#ifndef QUORAX_WEB_FIX_VIEW_H_
#define QUORAX_WEB_FIX_VIEW_H_

#include <cstdint>
#include <string>
#include <vector>

#include "host/web_host.h"
#include "outcomes/csv_row_errors.h"
#include "rows/row_table.h"
#include "web/page_addresses.h"

namespace quorax {

// Bad rows shown on one page of the fix view. A page's form posts every cell
// it shows, so a large run is split into pages whose forms stay small.
inline constexpr int32_t kFixRowsPerPage = 200;

// A hidden form field, its value escaped.
std::string HiddenField(const char* name, const std::string& value);

// The numbers (from 1, ascending) of the rows of `table` that did not pass:
// rejected, a database failure, or never processed.
std::vector<int32_t> BadRows(const RowTable& table, const CSVRowErrors& outcomes);

// The name of column `col` (from 0) as the results table's header row names
// it; a column past those the database takes is named by the file's header,
// or "Column N" (from 1) when that is empty.
std::string ColumnHeading(const RowTable& table, int32_t col);

// The accessible name of the text box of row `row` (from 1) and column
// `col`: "Notes of row 2".
std::string CellLabel(const RowTable& table, int32_t col, int32_t row);

// What the fix view needs besides the rows.
struct FixViewFrame {
  const PageAddresses& Addresses;
  bool Import;     // the run was an import: its button imports the changed rows
  uint64_t Stamp;  // names the run in the form (RunCorrections::Stamp)
  int32_t Page;    // from 1; a page past the last shows the last
};

// The fix view: page `frame.Page` of the bad rows of `table`, every cell a
// text box holding the cell's text (escaped), each row with its reasons, in
// a form that posts them to the RecheckRows item, with links to the other
// pages and back to the results. A run without bad rows says so.
std::string DrawFixView(const RowTable& table, const CSVRowErrors& outcomes,
                        const FixViewFrame& frame);

// What a fix view's form needs besides the rows.
struct FixForm {
  std::string Action;  // the address it posts to
  std::string Hidden;  // more hidden fields, as HTML
  uint64_t Stamp;      // names the rows' outcomes as shown
  bool Import;         // its button imports the changed rows
  int32_t FirstShown;  // the place of the first row shown among the bad rows, from 1
  int32_t BadCount;    // the bad rows of the run
};

// The fix view's form for rows `shown` (of `table`, from 1) of `table`: every
// cell a text box holding the cell's text (escaped) and named by its file's
// own row number (RowOrigin::row), each row with its reasons, and the button
// "Verify again" or, for an import, "Import again".
std::string DrawFixForm(const RowTable& table, const CSVRowErrors& outcomes,
                        const std::vector<int32_t>& shown, const FixForm& form);

// What the results page offers beside its views: the link to the fix view
// when some row of `table` is bad, and, after a verify (`import` false), the
// form that imports the run's rows as they now stand. Empty for a run
// without rows.
std::string DrawFixOffers(const RowTable& table, const CSVRowErrors& outcomes,
                          const FixViewFrame& frame);

class main;

// The results page's tag "WC@FIX_ROWS": DrawFixOffers for the session's run,
// or nothing when the session holds no run.
void FixOffersTag(const main& app, WebHost& host, std::string& TagContents);

}  // namespace quorax

#endif  // QUORAX_WEB_FIX_VIEW_H_
