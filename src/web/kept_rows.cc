#include "web/kept_rows.h"

#include <cassert>
#include <fstream>

#include "common/errors.h"
#include "rows/csv_tokenizer.h"

namespace quorax {

KeptRows::KeptRows(std::shared_ptr<const SpoolFile> file) : text_(std::move(file)) {
  if (text_ == nullptr) {
    copy_ = std::make_shared<SpoolFile>();
    text_ = copy_;
  }
}

void KeptRows::Add(const cli::Piece& piece, const cli::FileShape& shape) {
  // Every piece starts with the header line, found as the piece reader finds
  // it; the rows of all pieces lie one after another in the file.
  const size_t header_end = piece.text.find(shape.line_end) + shape.line_end.size();
  if (header_.empty()) {
    header_ = piece.text.substr(0, header_end);
    line_end_ = shape.line_end;
    end_ = copy_ ? 0 : header_end - shape.mark.size();
  }
  const std::string_view rows = std::string_view(piece.text).substr(header_end);
  if (copy_) copy_->Append(rows);
  for (size_t at = 0; at < rows.size();) {
    const size_t end = RecordEnd(rows, at, line_end_);
    starts_.push_back(end_);
    end_ += end - at;
    at = end;
  }
  assert(starts_.size() >= static_cast<size_t>(piece.rows));
}

void KeptRows::Places(std::span<const int32_t> numbers, size_t max_bytes, RowPlaces& places) const {
  places.text = text_;
  places.header = header_;
  places.line_end = line_end_;
  places.spans.clear();
  size_t bytes = header_.size();
  for (const int32_t number : numbers) {
    assert(number >= 1 && number <= size());
    const auto index = static_cast<size_t>(number - 1);
    const uint64_t end = index + 1 < starts_.size() ? starts_[index + 1] : end_;
    bytes += end - starts_[index];
    if (!places.spans.empty() && bytes > max_bytes) break;
    places.spans.emplace_back(starts_[index], end);
  }
}

std::unique_ptr<CSV> ReadPlaces(const RowPlaces& places, int32_t first_row) {
  std::ifstream file(places.text->path(), std::ios::binary);
  if (!file) throw PlatformFailure("the run's file can no longer be read");
  cli::Piece piece{places.header, first_row, static_cast<int32_t>(places.spans.size()), 0};
  uint64_t at = 0;
  for (const auto& [start, end] : places.spans) {
    if (start != at) file.seekg(static_cast<std::streamoff>(start));
    const size_t size = piece.text.size();
    piece.text.resize(size + (end - start));
    file.read(piece.text.data() + size, static_cast<std::streamsize>(end - start));
    if (file.bad()) throw PlatformFailure("the run's file can no longer be read");
    // The file's last row may lack its line end, which the piece reader adds.
    piece.text.resize(size + static_cast<size_t>(file.gcount()));
    if (!piece.text.ends_with(places.line_end)) piece.text += places.line_end;
    file.clear();
    at = end;
  }
  return cli::ReadPiece(piece);
}

}  // namespace quorax
