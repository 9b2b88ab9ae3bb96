#ifndef QUORAX_CLI_FILE_TEXT_H_
#define QUORAX_CLI_FILE_TEXT_H_

#include <cstdint>
#include <istream>
#include <string>

namespace quorax::cli {

// What a whole file says about how each of its pieces is sent and read.
struct FileShape {
  std::string encoding;  // kUtf8Encoding or kWindows1252Encoding (upload/upload_text.h)
  std::string mark;      // the byte-order mark a UTF-8 file without one gains, else ""
  std::string line_end;  // "\r\n" when the file holds one anywhere, else "\n"
};

// Reads `file` to its end in bounded memory and decides its encoding as the
// server decides an upload's: UTF-8 when it starts with the byte-order mark
// or is well-formed UTF-8 holding a character beyond ASCII. The mark is added
// so that each piece (which starts with the header line) is read as UTF-8 on
// its own, even one whose rows are all ASCII. Raises CliFailure (kBadUsage)
// for a UTF-16 file.
FileShape ShapeOf(std::istream& file);

// The Windows-1252 text the server reads from the piece `bytes`, whose first
// data row is the file's row `first_row`. Raises CliFailure (kBadUsage),
// naming the file's row and column, for a character the server would refuse.
std::string DecodePiece(const std::string& bytes, int32_t first_row);

// `message` about a piece whose first data row is the file's row
// `first_row`, with every "data row N" renumbered to the file's row.
std::string FileRowsIn(const std::string& message, int32_t first_row);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_FILE_TEXT_H_
