#ifndef QUORAX_UPLOAD_CSV_H_
#define QUORAX_UPLOAD_CSV_H_

#include <cstdint>
#include <string>
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

  // The header line / data row RowNum / all data rows in CSV form, every
  // field quoted, CR LF ended. ExportRow raises SubscriptOutOfRange for a
  // negative RowNum.
  std::string ExportHeaders() const;
  std::string ExportRow(int16_t RowNum) const;
  std::string ExportData() const;

  // Cell access; reads outside the allocated ranges raise SubscriptOutOfRange.
  class Table {
   public:
    const std::string& operator()(int32_t col, int32_t row) const;
    std::string& operator()(int32_t col, int32_t row);
    // Reallocates or grows the table; `keep` preserves cells that still fit.
    void Resize(int32_t cols, int32_t rows, bool keep);
    // Makes room for `rows` rows of the current width without reallocating.
    void Reserve(int32_t rows);
    int32_t Columns() const { return cols_; }
    int32_t Rows() const { return rows_; }

   private:
    int32_t cols_ = 2;
    int32_t rows_ = 2;
    std::vector<std::string> cells_ = std::vector<std::string>(4);
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
  std::string RawText;
  std::string LineEnd = "\r\n";
};

}  // namespace quorax

#endif  // QUORAX_UPLOAD_CSV_H_
