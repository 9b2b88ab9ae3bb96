#ifndef QUORAX_HTTP_PAGES_H_
#define QUORAX_HTTP_PAGES_H_

#include <string>
#include <string_view>

#include "http/exchange.h"

namespace quorax {

// The content type of pages unless a handler sets another.
inline constexpr const char* kPageContentType = "text/html; charset=windows-1252";

// What the pages may load and do: their inline style sheets, scripts and
// requests from this server only (no inline script), and forms posted to
// it, nothing else; no framing, no <base>.
inline constexpr const char* kContentSecurityPolicy =
    "default-src 'none'; script-src 'self'; connect-src 'self'; style-src 'unsafe-inline'; "
    "form-action 'self'; frame-ancestors 'none'; base-uri 'none'";

// The header that keeps browsers on HTTPS once they reached it.
inline constexpr const char* kStrictTransportSecurity = "max-age=31536000";

// The headers every response carries in place of any a handler added of
// the same name, as header lines each ending in CRLF.
std::string_view StandardHeaderLines();

// True when `name` (in any case) is one of the standard headers.
bool IsStandardHeader(std::string_view name);

// A plain HTML page of the host: a heading, `text` (HTML-escaped here),
// `form_html` written as given, and a link back to `start_link`; its status
// token is kServerRefused and its reason `text`.
Reply HostPage(unsigned status, const std::string& heading, const std::string& text,
               const std::string& start_link, std::string_view form_html = {});

}  // namespace quorax

#endif  // QUORAX_HTTP_PAGES_H_
