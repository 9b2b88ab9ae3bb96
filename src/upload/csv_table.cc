#include <algorithm>
#include <string>
#include <utility>

#include "common/errors.h"
#include "upload/csv.h"

namespace quorax {
namespace {

[[noreturn]] void ThrowCellOutOfRange(int32_t col, int32_t row, int32_t cols, int32_t rows) {
  throw SubscriptOutOfRange("the cell (column " + std::to_string(col) + ", row " +
                            std::to_string(row) + ") lies outside the table of columns 0.." +
                            std::to_string(cols - 1) + " and rows 0.." + std::to_string(rows - 1));
}

}  // namespace

// Cells are stored row after row, so growing the row range keeps every cell
// in place.
const std::string& CSV::Table::operator()(int32_t col, int32_t row) const {
  if (col < 0 || col >= cols_ || row < 0 || row >= rows_)
    ThrowCellOutOfRange(col, row, cols_, rows_);
  return cells_[static_cast<size_t>(row) * static_cast<size_t>(cols_) + static_cast<size_t>(col)];
}

std::string& CSV::Table::operator()(int32_t col, int32_t row) {
  return const_cast<std::string&>(std::as_const(*this)(col, row));
}

void CSV::Table::Resize(int32_t cols, int32_t rows, bool keep) {
  if (cols < 0) cols = 0;
  if (rows < 0) rows = 0;
  size_t size = static_cast<size_t>(cols) * static_cast<size_t>(rows);
  if (!keep) {
    cells_.assign(size, std::string());
  } else if (cols == cols_) {
    cells_.resize(size);
  } else {
    std::vector<std::string> cells(size);
    for (int32_t r = 0; r < std::min(rows, rows_); ++r) {
      for (int32_t c = 0; c < std::min(cols, cols_); ++c) {
        cells[static_cast<size_t>(r) * static_cast<size_t>(cols) + static_cast<size_t>(c)] =
            std::move((*this)(c, r));
      }
    }
    cells_ = std::move(cells);
  }
  cols_ = cols;
  rows_ = rows;
}

void CSV::Table::Reserve(int32_t rows) {
  if (rows > 0) cells_.reserve(static_cast<size_t>(rows) * static_cast<size_t>(cols_));
}

const std::string& CSV::Names::operator()(int32_t i) const {
  if (i < 0 || i >= Count()) {
    throw SubscriptOutOfRange("the column name " + std::to_string(i) +
                              " lies outside the header names 0.." + std::to_string(Count() - 1));
  }
  return names_[static_cast<size_t>(i)];
}

std::string& CSV::Names::operator()(int32_t i) {
  return const_cast<std::string&>(std::as_const(*this)(i));
}

void CSV::Names::Resize(int32_t count) {
  names_.resize(count < 0 ? 0 : static_cast<size_t>(count));
}

}  // namespace quorax
