#include "rows/row_table.h"

#include <limits>

#include "common/errors.h"

namespace quorax {
namespace {

constexpr size_t kMostText = std::numeric_limits<uint32_t>::max();

}  // namespace

const std::string& RowTable::ColumnName(int32_t col) const {
  if (col < 0 || col >= Columns()) {
    throw SubscriptOutOfRange("the column " + std::to_string(col) +
                              " lies outside the columns 0.." + std::to_string(Columns() - 1));
  }
  return header_[static_cast<size_t>(col)];
}

void RowTable::CheckRow(int32_t row) const {
  if (row < 0 || row >= RowCount()) {
    throw SubscriptOutOfRange("the data row " + std::to_string(row) + " lies outside the rows 0.." +
                              std::to_string(RowCount() - 1));
  }
}

size_t RowTable::Index(int32_t row, int32_t col) const {
  CheckRow(row);
  ColumnName(col);
  return static_cast<size_t>(row) * header_.size() + static_cast<size_t>(col);
}

std::string_view RowTable::Cell(int32_t row, int32_t col) const {
  const size_t index = Index(row, col);
  const size_t start = index == 0 ? 0 : ends_[index - 1];
  return std::string_view(text_).substr(start, ends_[index] - start);
}

RowOrigin RowTable::Origin(int32_t row) const {
  CheckRow(row);
  const auto index = static_cast<size_t>(row);
  const size_t start = index == 0 ? 0 : origins_[index - 1].test_end;
  const StoredOrigin& origin = origins_[index];
  return {origin.row, origin.line, tests_.substr(start, origin.test_end - start)};
}

template <typename Text>
void RowTable::Append(std::span<const Text> cells, const RowOrigin& origin) {
  if (cells.size() != header_.size()) {
    throw InvalidArgument("a row of " + std::to_string(cells.size()) +
                          " cells does not fit a table of " + std::to_string(header_.size()) +
                          " columns");
  }
  size_t size = text_.size();
  for (const Text& cell : cells) size += cell.size();
  if (size > kMostText || tests_.size() + origin.test.size() > kMostText) {
    throw Overflow("the rows hold more than " + std::to_string(kMostText) + " bytes of text");
  }
  for (const Text& cell : cells) {
    text_ += cell;
    ends_.push_back(static_cast<uint32_t>(text_.size()));
  }
  tests_ += origin.test;
  origins_.push_back({origin.row, origin.line, static_cast<uint32_t>(tests_.size())});
}

void RowTable::AddRow(std::span<const std::string> cells, const RowOrigin& origin) {
  Append(cells, origin);
}

void RowTable::AddRow(std::span<const std::string_view> cells, const RowOrigin& origin) {
  Append(cells, origin);
}

void RowTable::Reserve(int32_t rows, size_t text_bytes) {
  if (rows <= 0) return;
  ends_.reserve(static_cast<size_t>(rows) * header_.size());
  origins_.reserve(static_cast<size_t>(rows));
  text_.reserve(text_bytes);
}

}  // namespace quorax
