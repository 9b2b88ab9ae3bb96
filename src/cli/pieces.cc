#include "cli/pieces.h"

#include <algorithm>
#include <sstream>

#include "cli/exit_status.h"
#include "rows/csv_tokenizer.h"
#include "rows/read_fault.h"
#include "rows/result_columns.h"
#include "upload/upload_text.h"

namespace quorax::cli {
namespace {

constexpr size_t kReadSize = 256 * 1024;

[[noreturn]] void TooLarge(int32_t row) {
  throw CliFailure(kBadUsage, "data row " + std::to_string(row) +
                                  " is too large to be uploaded, even on its own");
}

}  // namespace

PieceReader::PieceReader(std::istream& file, const FileShape& shape, size_t max_bytes)
    : file_(file), line_end_(shape.line_end), max_bytes_(max_bytes) {
  size_t header_end = std::string::npos;
  while ((header_end = buffer_.find(line_end_)) == std::string::npos && !ended_) {
    Fill(buffer_.size() + kReadSize);
  }
  if (header_end == std::string::npos) {
    throw CliFailure(kBadUsage, "the file has no line end, so it holds no rows");
  }
  start_ = header_end + line_end_.size();
  header_ = shape.mark + buffer_.substr(0, start_);
  line_ += static_cast<int32_t>(std::count(header_.begin(), header_.end(), '\n'));
}

void PieceReader::Fill(size_t bytes) {
  if (start_ > kReadSize) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  while (!ended_ && buffer_.size() - start_ < bytes) {
    const size_t size = buffer_.size();
    buffer_.resize(size + std::max(kReadSize, bytes));
    file_.read(buffer_.data() + size, static_cast<std::streamsize>(buffer_.size() - size));
    buffer_.resize(size + static_cast<size_t>(file_.gcount()));
    ended_ = !file_;
  }
}

std::optional<PieceReader::Row> PieceReader::NextRow() {
  // A row longer than a piece is refused, so the lookahead never needs more.
  Fill(max_bytes_ + line_end_.size());
  // Blank lines at the end of a file are not rows, nor is an end-of-file mark.
  while (buffer_.find_first_not_of(" \t\r\n", start_) == std::string::npos) {
    if (ended_) return std::nullopt;
    Fill(buffer_.size() - start_ + kReadSize);
  }
  if (ended_ && buffer_.find(line_end_, start_) == std::string::npos &&
      IsEndOfFileMark(std::string_view(buffer_).substr(start_))) {
    return std::nullopt;
  }
  const size_t end = RecordEnd(buffer_, start_, line_end_);
  Row row{buffer_.substr(start_, end - start_), ++rows_, line_};
  if (end == buffer_.size() && !ended_) TooLarge(row.number);
  start_ = end;
  line_ += static_cast<int32_t>(std::count(row.text.begin(), row.text.end(), '\n'));
  if (!row.text.ends_with(line_end_)) row.text += line_end_;
  if (header_.size() + row.text.size() > max_bytes_) TooLarge(row.number);
  return row;
}

std::optional<Piece> PieceReader::Next() {
  if (!pending_) pending_ = NextRow();
  if (!pending_) return std::nullopt;
  Piece piece{header_, pending_->number, 0, pending_->line};
  while (pending_ && piece.text.size() + pending_->text.size() <= max_bytes_) {
    piece.text += pending_->text;
    ++piece.rows;
    pending_ = NextRow();
  }
  return piece;
}

std::vector<Piece> SplitIntoPieces(const std::string& content, size_t max_bytes) {
  std::istringstream file(content);
  FileShape shape = ShapeOf(file);
  shape.mark.clear();
  file.clear();
  file.seekg(0);
  PieceReader reader(file, shape, max_bytes);
  std::vector<Piece> pieces;
  while (std::optional<Piece> piece = reader.Next()) pieces.push_back(std::move(*piece));
  return pieces;
}

std::unique_ptr<CSV> ReadPiece(const Piece& piece) {
  auto table = std::make_unique<CSV>();
  const std::string text = DecodePiece(piece.text, piece.first_row);
  if (table->ProcessCSV(text) != 0 || table->GetRows() != piece.rows) {
    const std::string cause = ReadFaultCause(*table, text, piece.first_line);
    throw CliFailure(kBadUsage, "the file cannot be read past data row " +
                                    std::to_string(piece.first_row - 1 + table->GetRows()) +
                                    (cause.empty() ? "" : ": " + cause));
  }
  if (table->GetCols() < kResultColumnsNeeded) {
    throw CliFailure(kBadUsage, TooFewColumnsMessage(table->GetCols()));
  }
  return table;
}

}  // namespace quorax::cli
