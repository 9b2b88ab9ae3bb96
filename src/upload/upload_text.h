#ifndef QUORAX_UPLOAD_UPLOAD_TEXT_H_
#define QUORAX_UPLOAD_UPLOAD_TEXT_H_

#include <string>
#include <string_view>

namespace quorax {

// The encodings an uploaded file is accepted in, by the names kept in the
// session (value "Encoding") for the download of its rows.
inline constexpr const char* kUtf8Encoding = "UTF-8";
inline constexpr const char* kWindows1252Encoding = "Windows-1252";

// The bytes a UTF-8 file starts with to say it is UTF-8 (the byte-order mark).
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// An uploaded file as Windows-1252 text, with the encoding it arrived in.
struct UploadText {
  std::string Text;
  std::string Encoding;  // kUtf8Encoding or kWindows1252Encoding
};

// Decodes the bytes of an uploaded file. A file that starts with the UTF-8
// byte-order mark, or that is well-formed UTF-8 holding a character beyond
// ASCII, is UTF-8 and is converted (the mark dropped); any other file is
// Windows-1252 and kept as it is. Raises InvalidArgument, naming the row and
// column, for a character Windows-1252 cannot hold or malformed UTF-8 after
// the mark, and for a file starting with a UTF-16 byte-order mark.
UploadText DecodeUpload(std::string_view bytes);

// True when `rest`, what follows a file's last line end, is no row: it
// holds no field separator and nothing printable (an end-of-file mark such
// as the Ctrl-Z, 0x1A, that older tools append).
bool IsEndOfFileMark(std::string_view rest);

// Returns `text` ready for the CSV reader: lines after the last one holding
// data that are empty or hold only spaces, tabs and line-end characters are
// dropped, and so is an end-of-file mark after the last line end; a last line
// holding data gets the file's line end (CR LF when the text holds one, else
// LF) when it has none. A text without any line end is returned unchanged.
std::string CompleteLastLine(std::string_view text);

// Returns `text` (Windows-1252) as a file in `encoding`: UTF-8 with a
// byte-order mark for kUtf8Encoding, else unchanged.
std::string EncodeDownload(std::string_view text, std::string_view encoding);

}  // namespace quorax

#endif  // QUORAX_UPLOAD_UPLOAD_TEXT_H_
