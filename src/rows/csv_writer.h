#ifndef QUORAX_ROWS_CSV_WRITER_H_
#define QUORAX_ROWS_CSV_WRITER_H_

#include <span>
#include <string>
#include <string_view>

#include "rows/row_table.h"

namespace quorax {

// Writes CSV that every reader of this system reads back cell for cell:
// every field between quotes with its quotes doubled, fields separated by
// commas, every record ended by CR LF.

inline constexpr std::string_view kCsvLineEnd = "\r\n";

// Appends `text` as one field: a comma first unless `first` (the field opens
// its record), then the text between quotes.
void AppendCsvField(std::string& out, std::string_view text, bool first);

// Appends `fields` as one record, line end included. No fields make an
// empty line.
void AppendCsvRecord(std::string& out, std::span<const std::string> fields);
void AppendCsvRecord(std::string& out, std::span<const std::string_view> fields);

// Appends the cells of row `row` of `table` (from 0) as the fields that open
// a record, without its line end. Raises SubscriptOutOfRange for no such row.
void AppendCsvCells(std::string& out, const RowTable& table, int32_t row);

}  // namespace quorax

#endif  // QUORAX_ROWS_CSV_WRITER_H_
