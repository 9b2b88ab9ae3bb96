#ifndef QUORAX_ROWS_ROW_TABLE_H_
#define QUORAX_ROWS_ROW_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorax {

// Where a data row came from.
struct RowOrigin {
  int32_t row = 0;   // the data row's number in its file, from 1
  int32_t line = 0;  // the file line the row starts on, from 1
  std::string test;  // the full name of the runner's test it was made from; empty for a CSV row

  bool operator==(const RowOrigin&) const = default;
};

// Rows of text cells under a header of column names, every row as wide as
// the header, each with its origin. Built by appending rows and read-only
// after that. Cells keep their bytes as given. Compact: the text of every
// cell in one buffer and a 32-bit end per cell, so a table costs its text
// plus four bytes a cell and twelve a row (test names share a second buffer).
class RowTable {
 public:
  RowTable() = default;
  explicit RowTable(std::vector<std::string> header) : header_(std::move(header)) {}

  int32_t Columns() const { return static_cast<int32_t>(header_.size()); }
  int32_t RowCount() const { return static_cast<int32_t>(origins_.size()); }
  const std::vector<std::string>& Header() const { return header_; }

  // The name of column `col`, from 0. Raises SubscriptOutOfRange outside
  // 0..Columns()-1.
  const std::string& ColumnName(int32_t col) const;
  // The text of the cell in row `row` and column `col`, both from 0; valid
  // until the next AddRow. Raises SubscriptOutOfRange outside the table.
  std::string_view Cell(int32_t row, int32_t col) const;
  // Where row `row` (from 0) came from. Raises SubscriptOutOfRange.
  RowOrigin Origin(int32_t row) const;

  // Appends a row of Columns() cells. Raises InvalidArgument, changing
  // nothing, for another number of cells, and Overflow when the table's text
  // would pass 4 GiB.
  void AddRow(std::span<const std::string> cells, const RowOrigin& origin);
  void AddRow(std::span<const std::string_view> cells, const RowOrigin& origin);

  // Makes room for `rows` rows holding `text_bytes` bytes of cell text.
  void Reserve(int32_t rows, size_t text_bytes);

 private:
  struct StoredOrigin {
    int32_t row;
    int32_t line;
    uint32_t test_end;  // where the row's test name ends in tests_
  };

  template <typename Text>
  void Append(std::span<const Text> cells, const RowOrigin& origin);
  size_t Index(int32_t row, int32_t col) const;  // raises outside the table
  void CheckRow(int32_t row) const;

  std::vector<std::string> header_;
  std::string text_;                   // every cell's text, row after row
  std::vector<uint32_t> ends_;         // where each cell's text ends in text_
  std::vector<StoredOrigin> origins_;  // one per row
  std::string tests_;                  // every row's test name, row after row
};

}  // namespace quorax

#endif  // QUORAX_ROWS_ROW_TABLE_H_
