#include "upload/upload_text.h"

#include <algorithm>

#include "common/errors.h"
#include "common/windows1252.h"
#include "rows/csv_tokenizer.h"

namespace quorax {
namespace {

constexpr std::string_view kBlank = " \t\r\n";

// Names the cell holding byte `offset` of `text`, counting line ends and
// commas outside double quotes: "the header line, column 2" or "data row 3,
// column 5" (both from 1).
std::string CellAt(std::string_view text, size_t offset) {
  const std::string_view line_end = DetectLineEnd(text);
  size_t row = 0;
  size_t column = 1;
  bool quoted = false;
  for (size_t pos = 0; pos < offset; ++pos) {
    if (text[pos] == '"') {
      quoted = !quoted;
    } else if (!quoted && text[pos] == ',') {
      ++column;
    } else if (!quoted && !line_end.empty() && text.substr(pos, line_end.size()) == line_end) {
      ++row;
      column = 1;
      pos += line_end.size() - 1;
    }
  }
  const std::string where = row == 0 ? "the header line" : "data row " + std::to_string(row);
  return where + ", column " + std::to_string(column);
}

// Converts UTF-8 `text` (the file without its mark). Raises InvalidArgument
// at the first malformed sequence or character without a Windows-1252 byte.
std::string FromUtf8(std::string_view text) {
  std::string out;
  bool malformed = false;
  const size_t failed = ConvertUtf8ToWindows1252(text, out, malformed);
  if (failed == std::string_view::npos) return out;
  if (malformed) {
    throw InvalidArgument("The file starts as UTF-8 but is not valid UTF-8 in " +
                          CellAt(text, failed) +
                          ". Save it again as CSV (UTF-8 or Windows-1252) and upload it again.");
  }
  throw InvalidArgument("The file holds a character that the database cannot store in " +
                        CellAt(text, failed) +
                        ". Replace the character (the database stores only the characters of "
                        "Windows-1252) and upload the file again.");
}

}  // namespace

UploadText DecodeUpload(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    throw InvalidArgument(
        "The file is saved as UTF-16 (Unicode text), which cannot be read. Save it as CSV "
        "(UTF-8 or Windows-1252) and upload it again.");
  }
  if (bytes.starts_with(kUtf8ByteOrderMark)) {
    return {FromUtf8(bytes.substr(kUtf8ByteOrderMark.size())), kUtf8Encoding};
  }
  if (IsUtf8BeyondAscii(bytes)) return {FromUtf8(bytes), kUtf8Encoding};
  return {std::string(bytes), kWindows1252Encoding};
}

bool IsEndOfFileMark(std::string_view rest) {
  return std::all_of(rest.begin(), rest.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7F;
  });
}

std::string CompleteLastLine(std::string_view text) {
  const std::string_view line_end = DetectLineEnd(text);
  const size_t last_data = text.find_last_not_of(kBlank);
  if (line_end.empty() || last_data == std::string_view::npos) return std::string(text);
  const size_t ended = text.find(line_end, last_data + 1);
  if (ended != std::string_view::npos) return std::string(text.substr(0, ended + line_end.size()));
  // The reader would take a mark after the header line or a row for one more
  // row and stop there; the header line itself is never dropped.
  const size_t last_end = text.rfind(line_end, last_data);
  if (last_end != std::string_view::npos &&
      IsEndOfFileMark(text.substr(last_end + line_end.size()))) {
    return CompleteLastLine(text.substr(0, last_end + line_end.size()));
  }
  // The last line has no line end: its spaces and tabs are data, a stray
  // line-end character after them is not.
  const size_t stray = text.find_first_of("\r\n", last_data + 1);
  return std::string(text.substr(0, stray)) + std::string(line_end);
}

std::string EncodeDownload(std::string_view text, std::string_view encoding) {
  if (encoding != kUtf8Encoding) return std::string(text);
  return std::string(kUtf8ByteOrderMark) + Utf8FromWindows1252(text);
}

}  // namespace quorax
