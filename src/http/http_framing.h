#ifndef QUORAX_HTTP_HTTP_FRAMING_H_
#define QUORAX_HTTP_HTTP_FRAMING_H_

#include <cstdint>
#include <optional>
#include <string_view>

#include "http/http_messages.h"

namespace quorax {

// Where a request's header ends in `bytes` (just past the blank line), or
// npos while the blank line has not arrived. Empty lines before the request
// line are skipped.
size_t HeaderEnd(std::string_view bytes);

// True when a field of the raw header `header` is continued on a line
// starting with a space or tab (obsolete line folding).
bool HasFoldedLine(std::string_view header);

// The 400 page answering a request whose framing two servers could read
// differently, linking to `start_link`; the connection closes after it.
Reply AmbiguousRequest(const std::string& start_link);

// Returns AmbiguousRequest(start_link) for a parsed header with Transfer-Encoding in
// HTTP/1.0, Transfer-Encoding other than one field reading "chunked",
// Transfer-Encoding together with Content-Length, or HTTP/1.1 without
// exactly one Host; nothing when the framing is unambiguous.
std::optional<Reply> FramingRefusal(const WireRequest& request, const std::string& start_link);

// The longest chunk-size line, extensions included, that a request may send.
inline constexpr size_t kMaxChunkLine = 4096;

// Follows the framing of a chunked request body as its bytes arrive, ahead
// of the parser, so that no line is buffered past its limit: a chunk-size
// line (extensions included) over kMaxChunkLine bytes, trailer fields over
// `trailer_limit` bytes, or bytes of chunk-size lines, chunk data and their
// line ends past `max_body`.
class ChunkedBodyLimits {
 public:
  enum class Verdict { kMore, kEnd, kLineTooLong, kTrailerTooLarge, kBodyTooLarge };

  ChunkedBodyLimits(size_t max_body, size_t trailer_limit)
      : max_body_(max_body), trailer_limit_(trailer_limit) {}

  // Examines the next `bytes` of the body. Returns the first limit passed,
  // kEnd once the body's last byte has been seen (bytes after it belong to
  // the next request and are ignored), or kMore.
  Verdict Scan(std::string_view bytes);

 private:
  enum class Part { kSizeLine, kData, kDataEnd, kTrailer, kEnd };

  // Takes one byte of a chunk-size or trailer line; returns a limit passed.
  std::optional<Verdict> TakeLineByte(char c);

  const size_t max_body_;
  const size_t trailer_limit_;
  Part part_ = Part::kSizeLine;
  uint64_t remaining_ = 0;  // bytes of chunk data, or of its CRLF, still to come
  uint64_t size_ = 0;       // the chunk size read so far from the line's hex digits
  bool in_size_ = true;     // the line is still in its hex digits
  size_t line_ = 0;         // bytes of the current line before its LF
  size_t trailer_ = 0;      // bytes of trailer lines so far
  size_t total_ = 0;        // bytes of the body so far, trailer fields aside
};

}  // namespace quorax

#endif  // QUORAX_HTTP_HTTP_FRAMING_H_
