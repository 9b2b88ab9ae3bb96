#include "cli/pieces.h"

#include <algorithm>

#include "cli/exit_status.h"
#include "upload/upload_text.h"

namespace quorax::cli {
namespace {

// Returns the position just after the row that starts at `start`: after its
// line end, or the end of `content`. A field is quoted when it starts with a
// quote; within it a doubled quote stands for one quote.
size_t RowEnd(const std::string& content, size_t start, const std::string& line_end) {
  bool field_start = true;
  bool quoted = false;
  for (size_t at = start; at < content.size(); ++at) {
    const char c = content[at];
    if (quoted) {
      if (c == '"' && at + 1 < content.size() && content[at + 1] == '"') {
        ++at;
      } else if (c == '"') {
        quoted = false;
      }
      continue;
    }
    if (content.compare(at, line_end.size(), line_end) == 0) return at + line_end.size();
    quoted = field_start && c == '"';
    field_start = c == ',';
  }
  return content.size();
}

}  // namespace

std::vector<Piece> SplitIntoPieces(const std::string& content, size_t max_bytes) {
  std::string line_end = "\r\n";
  size_t header_end = content.find(line_end);
  if (header_end == std::string::npos) {
    line_end = "\n";
    header_end = content.find(line_end);
  }
  if (header_end == std::string::npos) {
    throw CliFailure(kBadUsage, "the file has no line end, so it holds no rows");
  }
  const std::string header = content.substr(0, header_end + line_end.size());
  std::vector<Piece> pieces;
  int32_t row = 0;
  auto line = static_cast<int32_t>(1 + std::count(header.begin(), header.end(), '\n'));
  for (size_t start = header.size(); start < content.size();) {
    // Blank lines at the end of a file are not rows, nor is an end-of-file mark.
    if (content.find_first_not_of(" \t\r\n", start) == std::string::npos) break;
    if (content.find(line_end, start) == std::string::npos &&
        IsEndOfFileMark(std::string_view(content).substr(start))) {
      break;
    }
    const size_t end = RowEnd(content, start, line_end);
    std::string text = content.substr(start, end - start);
    const int32_t row_line = line;
    line += static_cast<int32_t>(std::count(text.begin(), text.end(), '\n'));
    if (text.size() < line_end.size() ||
        text.compare(text.size() - line_end.size(), line_end.size(), line_end) != 0) {
      text += line_end;
    }
    ++row;
    if (header.size() + text.size() > max_bytes) {
      throw CliFailure(kBadUsage, "data row " + std::to_string(row) +
                                      " is too large to be uploaded, even on its own");
    }
    if (pieces.empty() || pieces.back().text.size() + text.size() > max_bytes) {
      pieces.push_back(Piece{header, row, 0, row_line});
    }
    pieces.back().text += text;
    ++pieces.back().rows;
    start = end;
  }
  return pieces;
}

}  // namespace quorax::cli
