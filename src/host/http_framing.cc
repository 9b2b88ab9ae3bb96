#include "host/http_framing.h"

#include "host/host_page.h"

namespace quorax {

namespace {

size_t CountFields(const HttpRequest& request, http::field name) {
  auto [first, last] = request.equal_range(name);
  return static_cast<size_t>(std::distance(first, last));
}

}  // namespace

size_t HeaderEnd(std::string_view bytes) {
  size_t start = bytes.find_first_not_of("\r\n");
  if (start == std::string_view::npos) return std::string_view::npos;
  size_t blank = bytes.find("\r\n\r\n", start);
  return blank == std::string_view::npos ? blank : blank + 4;
}

bool HasFoldedLine(std::string_view header) {
  size_t start = header.find_first_not_of("\r\n");
  if (start == std::string_view::npos) return false;
  return header.find("\n ", start) != std::string_view::npos ||
         header.find("\n\t", start) != std::string_view::npos;
}

Reply AmbiguousRequest() {
  return HostPage(400, "Bad request", "The request's framing is ambiguous.", HostPageAtRoot());
}

std::optional<Reply> FramingRefusal(const HttpRequest& request) {
  const size_t encodings = CountFields(request, http::field::transfer_encoding);
  bool ambiguous = false;
  if (encodings > 0) {
    ambiguous = request.version() < 11 || encodings > 1 ||
                !beast::iequals(request[http::field::transfer_encoding], "chunked") ||
                CountFields(request, http::field::content_length) > 0;
  }
  if (request.version() >= 11 && CountFields(request, http::field::host) != 1) ambiguous = true;
  if (!ambiguous) return std::nullopt;
  return AmbiguousRequest();
}

}  // namespace quorax
