#ifndef QUORAX_ROWS_READ_FAULT_H_
#define QUORAX_ROWS_READ_FAULT_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "rows/csv.h"

namespace quorax {

// Why `table`, filled by ProcessCSV(text), stopped before the end of `text`,
// naming the line on which the field it could not read starts, e.g. "the
// quote opened on line 7 is never closed". Lines are counted by their LF;
// the first data row starts on line `first_row_line`. Returns "" when the
// reader stopped at no field.
std::string ReadFaultCause(const CSV& table, std::string_view text, int32_t first_row_line);

}  // namespace quorax

#endif  // QUORAX_ROWS_READ_FAULT_H_
