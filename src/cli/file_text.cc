#include "cli/file_text.h"

#include <algorithm>
#include <cctype>

#include "cli/exit_status.h"
#include "common/errors.h"
#include "common/windows1252.h"
#include "upload/upload_text.h"

namespace quorax::cli {
namespace {

// DecodeUpload, its refusal raised as CliFailure (kBadUsage) naming the file's row.
UploadText Decode(std::string_view bytes, int32_t first_row) {
  try {
    return DecodeUpload(bytes);
  } catch (const InvalidArgument& e) {
    throw CliFailure(kBadUsage, FileRowsIn(e.what(), first_row));
  }
}

// Notes whether `text` (whole lines) holds a character beyond ASCII as
// well-formed UTF-8, or bytes beyond ASCII that are not.
void Classify(std::string_view text, bool& beyond_ascii, bool& malformed) {
  if (std::all_of(text.begin(), text.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return;
  (IsUtf8BeyondAscii(text) ? beyond_ascii : malformed) = true;
}

}  // namespace

FileShape ShapeOf(std::istream& file) {
  constexpr size_t kChunk = 1 << 20;
  std::string text;  // the lines not yet looked at: UTF-8 sequences never hold a line feed
  std::string chunk(kChunk, '\0');
  bool start = true, marked = false, crlf = false, beyond_ascii = false, malformed = false;
  char last = '\0';
  // A file that opens with the UTF-8 byte order mark is UTF-8 as it stands: it is read only until
  // a CR LF shows its line end.
  while (!(marked && crlf) && (file.read(chunk.data(), kChunk) || file.gcount() > 0)) {
    const std::string_view read(chunk.data(), static_cast<size_t>(file.gcount()));
    if (start) {
      if (read.starts_with("\xFF\xFE") || read.starts_with("\xFE\xFF"))
        Decode(read.substr(0, 2), 1);
      marked = read.starts_with(kUtf8ByteOrderMark);
      start = false;
    }
    crlf = crlf || (last == '\r' && read.front() == '\n') ||
           read.find("\r\n") != std::string_view::npos;
    last = read.back();
    if (marked) continue;
    text += read;
    const size_t lines = text.rfind('\n') + 1;
    Classify(std::string_view(text).substr(0, lines), beyond_ascii, malformed);
    text.erase(0, lines);
  }
  if (marked) return {kUtf8Encoding, "", crlf ? "\r\n" : "\n"};
  Classify(text, beyond_ascii, malformed);
  const bool utf8 = beyond_ascii && !malformed;
  return {utf8 ? kUtf8Encoding : kWindows1252Encoding, utf8 ? std::string(kUtf8ByteOrderMark) : "",
          crlf ? "\r\n" : "\n"};
}

std::string DecodePiece(const std::string& bytes, int32_t first_row) {
  return Decode(bytes, first_row).Text;
}

std::string FileRowsIn(const std::string& message, int32_t first_row) {
  static const std::string kDataRow = "data row ";
  std::string out;
  size_t from = 0;
  for (size_t at = message.find(kDataRow); at != std::string::npos;
       at = message.find(kDataRow, from)) {
    const size_t digits = at + kDataRow.size();
    size_t end = digits;
    while (end < message.size() && std::isdigit(static_cast<unsigned char>(message[end]))) ++end;
    out += message.substr(from, digits - from);
    if (end > digits) {
      out += std::to_string(first_row - 1 + std::stol(message.substr(digits, end - digits)));
    }
    from = end;
  }
  return out + message.substr(from);
}

}  // namespace quorax::cli
