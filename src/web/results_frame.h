#ifndef QUORAX_WEB_RESULTS_FRAME_H_
#define QUORAX_WEB_RESULTS_FRAME_H_

#include <cstdint>
#include <string>

#include "web/page_addresses.h"

namespace quorax {

// What every results view shows besides the rows, read from the session once.
struct ResultsFrame {
  const PageAddresses& Addresses;  // targets of the navigation links
  std::string Mode;                // session "Mode": "Import" or "Verify"
  bool NoErrors;                   // session "NoErrors": no row failed, nothing to download
  // Why the run had no data rows to send (an empty file, a header line
  // alone); "" when it had some.
  std::string NoRowsNote;
};

// The results table's opening and header row: one heading per upload column,
// then "Errors".
std::string DrawTableHeader();

// A cell spanning the whole results table: the upload columns and "Errors".
std::string FullWidthCell(const char* attributes);

// The last row of the results table, which it closes: links to the other
// views, back to the upload form and, when some row failed, to the download.
std::string DrawNavigation(const ResultsFrame& frame);

// The "Operation Mode" line of every view.
std::string OperationMode(const ResultsFrame& frame);

}  // namespace quorax

#endif  // QUORAX_WEB_RESULTS_FRAME_H_
