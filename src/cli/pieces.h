#ifndef QUORAX_CLI_PIECES_H_
#define QUORAX_CLI_PIECES_H_

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/file_text.h"
#include "rows/csv.h"

namespace quorax::cli {

// A part of a CSV file that is uploaded on its own: the file's header line
// followed by some of its data rows, as bytes of the file.
struct Piece {
  std::string text;
  int32_t first_row = 1;  // the file's number (from 1) of the piece's first data row
  int32_t rows = 0;
  int32_t first_line = 2;  // the file's line (from 1, counted by LF) where that row starts
};

// Cuts a file into pieces of at most `max_bytes` bytes at row boundaries,
// each starting with the header line (after the shape's mark), reading the
// file as it goes: it holds at most about two pieces' worth of the file. A
// row ends at the shape's line end outside a quoted field, so quoted line
// breaks stay within their row. A last row without a line end gets one;
// blank lines at the end and an end-of-file mark after the last line end
// (IsEndOfFileMark) are no rows.
class PieceReader {
 public:
  // Reads `file`, whose shape is `shape`, from where it stands. Raises
  // CliFailure (kBadUsage) for a file without a line end.
  PieceReader(std::istream& file, const FileShape& shape, size_t max_bytes);

  // The next piece; none after the last. Raises CliFailure (kBadUsage) for
  // a row that does not fit into a piece of its own.
  std::optional<Piece> Next();

  // The header line each piece starts with, its mark included.
  const std::string& header() const { return header_; }

 private:
  struct Row {
    std::string text;
    int32_t number = 0;
    int32_t line = 0;
  };
  // Reads on until at least `bytes` follow the read position or the file ends.
  void Fill(size_t bytes);
  std::optional<Row> NextRow();

  std::istream& file_;
  const std::string line_end_;
  const size_t max_bytes_;
  std::string header_;
  std::string buffer_;  // the file from some point on; rows start at start_
  size_t start_ = 0;
  bool ended_ = false;  // the whole file has been read into buffer_
  int32_t rows_ = 0;
  int32_t line_ = 1;
  std::optional<Row> pending_;  // the row read ahead that did not fit into the last piece
};

// Every piece of `content` (no mark added), as PieceReader cuts it.
std::vector<Piece> SplitIntoPieces(const std::string& content, size_t max_bytes);

// `piece` read as the server reads it. Raises CliFailure (kBadUsage) for a
// piece the server would refuse or could not read to its end (naming the
// file's line and why), or too few columns.
std::unique_ptr<CSV> ReadPiece(const Piece& piece);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_PIECES_H_
