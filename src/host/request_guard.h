#ifndef QUORAX_HOST_REQUEST_GUARD_H_
#define QUORAX_HOST_REQUEST_GUARD_H_

#include <optional>

#include "host/error_pages.h"
#include "host/request_router.h"
#include "host/routes.h"

namespace quorax {

// The rules a request must pass before any session work (a health probe,
// GET of the health route of `routes`, passes them all), in this order:
// unless `serves_plain`, a request that is not secure gets only the redirect
// to the HTTPS start page (no query); a POST from another site (its Origin, or
// without one its Sec-Fetch-Site, names an origin other than this server's
// as the request reached it) gets a 403 page; a GET of the start page that
// asks to log out (status 5) gets a page asking to confirm by a POST unless
// the browser shows it followed from this server's own pages or typed
// (Sec-Fetch-Site; without it the Origin, else the Referer), so that another
// site's link cannot end a tester's session; a GET of the application's
// upload or run item is sent back to the start page. Returns that answer, or
// nothing when the request may go on to the router.
std::optional<Reply> GuardRefusal(const Request& request, bool serves_plain, const Routes& routes);

// True when a request's query `query` names page item `item` (any case);
// never for an empty `item`.
bool NamesItem(std::string_view query, const std::string& item);

// True when the Origin header value `origin` is the origin of this server
// reached as `host` (a Host header) over https or http: same scheme, same
// host without regard to case, same port with the scheme's default filled in.
bool IsSameOrigin(std::string_view origin, std::string_view host, bool https);

}  // namespace quorax

#endif  // QUORAX_HOST_REQUEST_GUARD_H_
