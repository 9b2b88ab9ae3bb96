#include "cli/file_text.h"

#include <cctype>

#include "cli/exit_status.h"
#include "common/errors.h"
#include "upload/upload_text.h"

namespace quorax::cli {
namespace {

// DecodeUpload, its refusal raised as CliFailure (kBadUsage) naming the file's row.
UploadText Decode(const std::string& bytes, int32_t first_row) {
  try {
    return DecodeUpload(bytes);
  } catch (const InvalidArgument& e) {
    throw CliFailure(kBadUsage, FileRowsIn(e.what(), first_row));
  }
}

}  // namespace

FileText PrepareFile(const std::string& content) {
  std::string encoding = Decode(content, 1).Encoding;
  if (encoding != kUtf8Encoding || content.starts_with(kUtf8ByteOrderMark)) {
    return {content, std::move(encoding)};
  }
  return {std::string(kUtf8ByteOrderMark) + content, std::move(encoding)};
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
