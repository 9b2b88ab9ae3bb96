#ifndef QUORAX_CLI_PIECES_H_
#define QUORAX_CLI_PIECES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorax::cli {

// A part of a CSV file that is uploaded on its own: the file's header line
// followed by some of its data rows, as bytes of the file.
struct Piece {
  std::string text;
  int32_t first_row = 1;  // the file's number (from 1) of the piece's first data row
  int32_t rows = 0;
  int32_t first_line = 2;  // the file's line (from 1, counted by LF) where that row starts
};

// Splits `content` at row boundaries into pieces of at most `max_bytes`
// bytes, each starting with the header line. A row ends at a line end (of the
// header line's kind) outside a quoted field, so quoted line breaks stay
// within their row. A last row without a line end gets one; an end-of-file
// mark after the last line end (IsEndOfFileMark) is no row. Returns no piece
// for a file without data rows. Raises CliFailure (kBadUsage) for a file
// without a line end or a row that does not fit into a piece of its own.
std::vector<Piece> SplitIntoPieces(const std::string& content, size_t max_bytes);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_PIECES_H_
