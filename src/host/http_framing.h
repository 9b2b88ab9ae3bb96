#ifndef QUORAX_HOST_HTTP_FRAMING_H_
#define QUORAX_HOST_HTTP_FRAMING_H_

#include <optional>
#include <string_view>

#include "host/http_messages.h"

namespace quorax {

// Where a request's header ends in `bytes` (just past the blank line), or
// npos while the blank line has not arrived. Empty lines before the request
// line are skipped.
size_t HeaderEnd(std::string_view bytes);

// True when a field of the raw header `header` is continued on a line
// starting with a space or tab (obsolete line folding).
bool HasFoldedLine(std::string_view header);

// The 400 page answering a request whose framing two servers could read
// differently; the connection closes after it.
Reply AmbiguousRequest();

// Returns AmbiguousRequest() for a parsed header with Transfer-Encoding in
// HTTP/1.0, Transfer-Encoding other than one field reading "chunked",
// Transfer-Encoding together with Content-Length, or HTTP/1.1 without
// exactly one Host; nothing when the framing is unambiguous.
std::optional<Reply> FramingRefusal(const HttpRequest& request);

}  // namespace quorax

#endif  // QUORAX_HOST_HTTP_FRAMING_H_
