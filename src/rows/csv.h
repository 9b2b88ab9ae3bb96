#ifndef QUORAX_ROWS_CSV_H_
#define QUORAX_ROWS_CSV_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rows/row_table.h"

namespace quorax {

// The upload reader: a CSV file read into a header line of column names and
// data rows of text cells, within the 16-bit limits of its positions and
// counts.
class CSV {
 public:
  // Parses RawData into Rows(). Returns 0, -2 (no line end at all, Rows()
  // unchanged) or -3 (rows stop early, or none); rows read before a fault
  // stay. Raises Overflow past the 16-bit limits.
  int16_t ProcessCSV(const std::string& RawData);
  // Returns -1 for a missing file, else ProcessCSV of the file's bytes.
  int16_t ReadCSV(const std::string& Filename);

  int16_t GetRows() const;
  int16_t GetCols() const;

  // The text of cell (`column`, `row`), both from 0. Before any data row was
  // looked at the cells are 0..1 x 0..1; after that the columns are
  // 0..GetCols() and the rows 0..GetRows(), or 0..1 when a text of one
  // character was read to its end. Column GetCols() and the spare row
  // GetRows() are empty, but for the cells read so far of the row that
  // stopped the parse, which the spare row holds. Raises SubscriptOutOfRange
  // outside these ranges.
  std::string Data(int32_t column, int32_t row) const;
  // The name of column `column`: 0..GetCols() once a header line was read,
  // entry GetCols() empty; 0..1, both empty, before. Raises
  // SubscriptOutOfRange outside that range.
  std::string Headers(int32_t column) const;

  // Where the last ProcessCSV stopped before the end of its text. FieldCode
  // is 0 when it stopped at no field.
  struct Stop {
    int16_t FieldCode = 0;  // the code (-1..-8) of the field it could not read
    size_t Offset = 0;      // where that field starts in the text, from 0
    size_t RowsOffset = 0;  // where the data rows start in the text
    size_t RowOffset = 0;   // where the row holding that field starts in the text
  };
  Stop Stopped() const { return StoppedAt; }

  // The header line / data row RowNum / all data rows in CSV form, every
  // field quoted, CR LF ended. ExportRow raises SubscriptOutOfRange for a
  // negative RowNum.
  std::string ExportHeaders() const;
  std::string ExportRow(int16_t RowNum) const;
  std::string ExportData() const;

  // The header line's column names and the data rows read by the last
  // ProcessCSV that found a line end. Each row's origin gives its data row
  // number and the line of the text it starts on.
  const RowTable& Rows() const { return Table; }

 private:
  // Splits the header line of RawData at every comma (no quote processing).
  // Returns the line end RawData uses, or "" (changing nothing) when it holds
  // none. Raises Overflow when the first line end lies beyond position 32767.
  std::string_view ParseHeaderLine(std::string_view RawData);
  // Reads the data rows of `text` into Table; the first starts on line
  // `first_line`. Returns the number of rows, -1 when `text` is blank, or
  // -1 - RowCount for the first faulty row.
  int16_t ParseRows(std::string_view text, std::string_view LineEnd, int32_t first_line);

  RowTable Table;
  Stop StoppedAt;
  size_t HeaderLength = 0;         // of the header line and its line end: where the data rows start
  int32_t HeaderEntries = 2;       // Headers() takes 0..HeaderEntries-1
  int32_t DataColumns = 2;         // Data() takes columns 0..DataColumns-1
  int32_t DataRows = 2;            // and rows 0..DataRows-1
  std::vector<std::string> Spare;  // the cells read of the row that stopped the parse
};

}  // namespace quorax

#endif  // QUORAX_ROWS_CSV_H_
