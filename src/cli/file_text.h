#ifndef QUORAX_CLI_FILE_TEXT_H_
#define QUORAX_CLI_FILE_TEXT_H_

#include <cstdint>
#include <string>

namespace quorax::cli {

// A file as it is split and sent, and the encoding its reports are written in.
struct FileText {
  std::string bytes;     // the file's bytes; a UTF-8 file starts with the byte-order mark
  std::string encoding;  // kUtf8Encoding or kWindows1252Encoding (upload/upload_text.h)
};

// Reads `content` as the server reads an upload. A UTF-8 file without the
// byte-order mark gains one, so that each piece (which starts with the header
// line) is read as UTF-8 on its own, even one whose rows are all ASCII.
// Raises CliFailure (kBadUsage), naming the row and column, for a character
// the server would refuse.
FileText PrepareFile(const std::string& content);

// The Windows-1252 text the server reads from the piece `bytes`, whose first
// data row is the file's row `first_row`. Raises CliFailure (kBadUsage) like
// PrepareFile, naming the file's row.
std::string DecodePiece(const std::string& bytes, int32_t first_row);

// `message` about a piece whose first data row is the file's row
// `first_row`, with every "data row N" renumbered to the file's row.
std::string FileRowsIn(const std::string& message, int32_t first_row);

}  // namespace quorax::cli

#endif  // QUORAX_CLI_FILE_TEXT_H_
