#ifndef QUORAX_HTTP_RESPONSE_HEADERS_H_
#define QUORAX_HTTP_RESPONSE_HEADERS_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorax {

// Returns `value` without CR and LF, so that it cannot end a header line.
std::string WithoutLineBreaks(std::string_view value);
// Appends `value` without CR and LF to `out`.
void AppendWithoutLineBreaks(std::string& out, std::string_view value);

// True for Content-Length, Transfer-Encoding and Connection (in any case):
// the headers that frame a body, which the host sets itself.
bool IsFramingHeader(std::string_view name);

// The headers a handler gives its response, kept by the rule every web host
// applies: a name must be an HTTP token; CR and LF are removed from values;
// "Content-Type" (any case) sets the content type; Content-Length,
// Transfer-Encoding and Connection are dropped, because the host frames the
// body itself and always sends its true length.
class ResponseHeaders {
 public:
  using List = std::vector<std::pair<std::string, std::string>>;

  explicit ResponseHeaders(std::string content_type = "")
      : content_type_(std::move(content_type)) {}

  // Keeps header `name` by the rule above. Raises InvalidArgument, keeping
  // nothing, for a name that is not an HTTP token.
  void Add(const std::string& name, const std::string& value);
  void SetContentType(const std::string& type);
  // Replaces any Location header by one naming `address`.
  void SetLocation(const std::string& address);

  // The kept headers in the order added, without Content-Type.
  const List& list() const { return list_; }
  const std::string& content_type() const { return content_type_; }

 private:
  List list_;
  std::string content_type_;
};

}  // namespace quorax

#endif  // QUORAX_HTTP_RESPONSE_HEADERS_H_
