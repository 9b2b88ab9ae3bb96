#ifndef QUORAX_HOST_HOST_PAGES_H_
#define QUORAX_HOST_HOST_PAGES_H_

#include <exception>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorax {

// The content type of pages unless a handler sets another.
inline constexpr const char* kPageContentType = "text/html; charset=windows-1252";

// What the pages may load and do: their inline style sheets and forms
// posted to this server, nothing else; no framing, no <base>.
inline constexpr const char* kContentSecurityPolicy =
    "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; "
    "frame-ancestors 'none'; base-uri 'none'";

// A response as the host sends it, before the headers every response carries.
struct Reply {
  unsigned status = 200;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // A probe (health check, metrics scrape), which a load balancer or monitor
  // sends every few seconds: neither access-logged nor counted in metrics.
  bool probe = false;
};

// The headers every response carries, whatever a handler added.
const std::vector<std::pair<std::string, std::string>>& StandardHeaders();

// A plain HTML page of the host: a heading, `text` (HTML-escaped here) and
// a link back to `start_link`; its status token is kServerRefused and its
// reason `text`.
Reply HostPage(unsigned status, const std::string& heading, const std::string& text,
               const std::string& start_link);

// The status that answers an error that left a handler: 500 for a platform
// failure, 400 for every other error of the system's hierarchy (input
// errors), 500 for anything else.
unsigned ErrorStatus(const std::exception& error);

// The error page for an error that left a handler, with ErrorStatus: the
// error's message for errors of the system's hierarchy, a generic text for
// anything else.
Reply ErrorPage(const std::exception_ptr& error, const std::string& start_link);

// Returns the start page address for a request to `path`: the path itself,
// with leading slashes and backslashes reduced to one slash so that it
// never names another host.
std::string StartLinkFor(std::string_view path);

}  // namespace quorax

#endif  // QUORAX_HOST_HOST_PAGES_H_
