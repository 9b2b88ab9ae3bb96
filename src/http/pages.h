#ifndef QUORAX_HTTP_PAGES_H_
#define QUORAX_HTTP_PAGES_H_

#include <string>
#include <string_view>

#include "http/exchange.h"

namespace quorax {

// The content type of pages unless a handler sets another.
inline constexpr const char* kPageContentType = "text/html; charset=windows-1252";

// What the pages may load and do: their inline style sheets, scripts from
// this server and the one inline script of the upload form (by its SHA-256,
// so that no other inline script runs, injected or not), requests to this
// server and forms posted to it, nothing else; no framing, no <base>.
inline constexpr const char* kContentSecurityPolicy =
    "default-src 'none'; script-src 'self' 'sha256-duckmq7SUOK0iczsESQGhBTcvba2AGtvSWCyI2LWBPw='; "
    "connect-src 'self'; style-src 'unsafe-inline'; form-action 'self'; "
    "frame-ancestors 'none'; base-uri 'none'";

// The header that keeps browsers on HTTPS once they reached it.
inline constexpr const char* kStrictTransportSecurity = "max-age=31536000";

// The headers every response carries in place of any a handler added of
// the same name, as header lines each ending in CRLF.
std::string_view StandardHeaderLines();

// True when `name` (in any case) is one of the standard headers.
bool IsStandardHeader(std::string_view name);

// A refusal page in the site's layout (its header, a framed box, narrow
// screens included): `heading`, `text`, then `form_html` written as given,
// and a link `link_text` to `link`; all but `form_html` HTML-escaped here,
// with `heading` also the title.
std::string RefusalPageHtml(const std::string& heading, const std::string& text,
                            const std::string& link, const std::string& link_text,
                            std::string_view form_html = {});

// A refusal page (RefusalPageHtml) linking back to `start_link` with
// "Back to the start page", or with `link_text` when given; its status token
// is kServerRefused and its reason `text`.
Reply RefusalPage(unsigned status, const std::string& heading, const std::string& text,
                  const std::string& start_link, const std::string& link_text = "",
                  std::string_view form_html = {});

}  // namespace quorax

#endif  // QUORAX_HTTP_PAGES_H_
