#ifndef QUORAX_UPLOAD_CSV_H_
#define QUORAX_UPLOAD_CSV_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorax {

// A CSV file held as a header line of column names and data rows of text
// cells. Cells are addressed (column, row), both from 0.
class CSV {
 public:
  // Parses RawData into Headers and Data. Returns 0, -2 (no line end at all)
  // or -3 (rows stop early, or none); rows read before a fault stay. Raises
  // Overflow past the 16-bit limits.
  int16_t ProcessCSV(const std::string& RawData);
  // Returns -1 for a missing file, else ProcessCSV of the file's bytes.
  int16_t ReadCSV(const std::string& Filename);

  int16_t GetRows() const;
  int16_t GetCols() const;

  // Where the last ProcessCSV stopped before the end of its text. FieldCode
  // is 0 when it stopped at no field.
  struct Stop {
    int16_t FieldCode = 0;  // the code (-1..-8) of the field it could not read
    size_t Offset = 0;      // where that field starts in the text, from 0
    size_t RowsOffset = 0;  // where the data rows start in the text
  };
  Stop Stopped() const { return StoppedAt; }

  // The header line / data row RowNum / all data rows in CSV form, every
  // field quoted, CR LF ended. ExportRow raises SubscriptOutOfRange for a
  // negative RowNum.
  std::string ExportHeaders() const;
  std::string ExportRow(int16_t RowNum) const;
  std::string ExportData() const;

  // Cells held compactly: the text of every cell in one string and where
  // each ends, so a table takes its text and two bytes a cell. The text of
  // all cells is at most 65535 bytes, well above what a 16-bit file holds.
  // Reads outside the allocated ranges raise SubscriptOutOfRange.
  class Table {
   public:
    // The text of a cell; the view is valid until the table next changes.
    std::string_view operator()(int32_t col, int32_t row) const;
    // Sets a cell's text. Costs the number of cells after it, so a table
    // filled in order costs the size of its text. Raises Overflow, changing
    // nothing, when the table's text would pass the limit.
    void Set(int32_t col, int32_t row, std::string_view value);
    // Reallocates or grows the table; `keep` preserves cells that still fit,
    // and new cells are empty.
    void Resize(int32_t cols, int32_t rows, bool keep);
    // Makes room for `rows` rows of the current width without reallocating.
    void Reserve(int32_t rows);
    int32_t Columns() const { return cols_; }
    int32_t Rows() const { return rows_; }

   private:
    using End = uint16_t;
    size_t Index(int32_t col, int32_t row) const;  // raises outside the ranges
    size_t Start(size_t index) const { return index == 0 ? 0 : ends_[index - 1]; }

    int32_t cols_ = 2;
    int32_t rows_ = 2;
    std::string text_;                             // every cell's text, row after row
    std::vector<End> ends_ = std::vector<End>(4);  // where each cell's text ends
  };
  class Names {
   public:
    const std::string& operator()(int32_t i) const;
    std::string& operator()(int32_t i);
    void Resize(int32_t count);
    int32_t Count() const { return static_cast<int32_t>(names_.size()); }

   private:
    std::vector<std::string> names_ = std::vector<std::string>(2);
  };

  Table Data;
  Names Headers;

 private:
  // Takes the header line off RawText and splits it at every comma into
  // Headers (no quote processing). Returns -1, changing nothing but LineEnd,
  // when RawText holds no line end; else 0. Raises Overflow when the first
  // line end lies beyond position 32767.
  int16_t ParseHeaderLine();
  // Reads the data rows of RawText into Data. Returns the number of rows, -1
  // when RawText is blank, or -1 - RowCount for the first faulty row.
  int16_t ParseRows();
  // An upper bound of the number of data rows in RawText.
  int32_t RowsAtMost() const;

  int16_t RowCount = 0;
  int16_t ColCount = 0;
  Stop StoppedAt;
  size_t HeaderLength = 0;  // of the header line and its line end: where RawText starts
  std::string RawText;
  std::string LineEnd = "\r\n";
};

}  // namespace quorax

#endif  // QUORAX_UPLOAD_CSV_H_
