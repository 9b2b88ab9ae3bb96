#include <algorithm>
#include <limits>
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
size_t CSV::Table::Index(int32_t col, int32_t row) const {
  if (col < 0 || col >= cols_ || row < 0 || row >= rows_)
    ThrowCellOutOfRange(col, row, cols_, rows_);
  return static_cast<size_t>(row) * static_cast<size_t>(cols_) + static_cast<size_t>(col);
}

std::string_view CSV::Table::operator()(int32_t col, int32_t row) const {
  const size_t index = Index(col, row);
  return std::string_view(text_).substr(Start(index), ends_[index] - Start(index));
}

void CSV::Table::Set(int32_t col, int32_t row, std::string_view value) {
  const size_t index = Index(col, row);
  const size_t start = Start(index);
  const size_t old_size = ends_[index] - start;
  if (text_.size() - old_size + value.size() > std::numeric_limits<End>::max()) {
    throw Overflow("the cells of the CSV table hold more than " +
                   std::to_string(std::numeric_limits<End>::max()) + " bytes");
  }
  text_.replace(start, old_size, value);
  // Unsigned arithmetic wraps, so adding the difference also shrinks.
  const auto change = static_cast<End>(value.size() - old_size);
  for (size_t i = index; i < ends_.size(); ++i) ends_[i] = static_cast<End>(ends_[i] + change);
}

void CSV::Table::Resize(int32_t cols, int32_t rows, bool keep) {
  cols = std::max(cols, 0);
  rows = std::max(rows, 0);
  const size_t size = static_cast<size_t>(cols) * static_cast<size_t>(rows);
  if (!keep) {
    text_.clear();
    ends_.assign(size, 0);
  } else if (cols == cols_) {
    if (size < ends_.size()) text_.resize(Start(size));
    ends_.resize(size, static_cast<End>(text_.size()));
  } else {
    std::string text;
    std::vector<End> ends;
    ends.reserve(size);
    for (int32_t r = 0; r < rows; ++r) {
      for (int32_t c = 0; c < cols; ++c) {
        if (r < rows_ && c < cols_) text += (*this)(c, r);
        ends.push_back(static_cast<End>(text.size()));
      }
    }
    text_ = std::move(text);
    ends_ = std::move(ends);
  }
  cols_ = cols;
  rows_ = rows;
}

void CSV::Table::Reserve(int32_t rows) {
  if (rows > 0) ends_.reserve(static_cast<size_t>(rows) * static_cast<size_t>(cols_));
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
