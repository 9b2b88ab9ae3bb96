#include "host/request_guard.h"

#include <algorithm>

#include "common/errors.h"
#include "common/int16.h"
#include "common/text.h"
#include "contract/page_contract.h"
#include "host/url_encoding.h"

namespace quorax {

namespace {

// The host page a request to `path` belongs to: the path itself when it
// names the host page, else the host page at the root.
std::string HostPageFor(std::string_view path, const Routes& routes) {
  return routes.IsPagePath(path) ? StartLinkFor(path) : routes.start_page;
}

Reply RedirectTo(const std::string& address) {
  Reply reply;
  reply.status = 302;
  reply.headers.emplace_back("Location", address);
  return reply;
}

// Splits "host[:port]" or "[v6][:port]" into a host and a port, filling in
// `default_port`. Returns false for anything else (a path, user info, an
// empty host or a port that is not a number).
bool SplitAuthority(std::string_view authority, const char* default_port, std::string_view& host,
                    std::string_view& port) {
  if (authority.empty() || authority.find_first_of("/?#@ \t") != std::string_view::npos) {
    return false;
  }
  size_t host_end = std::min(authority.find(':'), authority.size());
  if (authority.front() == '[') {
    size_t close = authority.find(']');
    if (close == std::string_view::npos) return false;
    host_end = close + 1;
  }
  host = authority.substr(0, host_end);
  port = default_port;
  if (host_end == authority.size()) return !host.empty();
  if (authority[host_end] != ':') return false;
  port = authority.substr(host_end + 1);
  return !host.empty() && !port.empty() &&
         port.find_first_not_of("0123456789") == std::string_view::npos;
}

bool IsCrossSite(const Request& request) {
  if (!request.origin.empty()) {
    return !IsSameOrigin(request.origin, request.host, request.https);
  }
  return !request.sec_fetch_site.empty() &&
         !EqualsIgnoreCase(request.sec_fetch_site, "same-origin") &&
         !EqualsIgnoreCase(request.sec_fetch_site, "none");
}

// The scheme and authority of an absolute URL such as a Referer, or "".
std::string_view OriginOfUrl(std::string_view url) {
  const size_t scheme_end = url.find("://");
  if (scheme_end == std::string_view::npos) return {};
  return url.substr(0, url.find_first_of("/?#", scheme_end + 3));
}

// True when a top-level GET comes from this site's own pages or from the
// user's own hand (typed or bookmarked): Sec-Fetch-Site says same-origin or
// none; without it, the Origin or else the Referer (which the pages send to
// their own origin) names this server. Without any of them the request
// cannot be told from another site's link.
bool IsOwnNavigation(const Request& request) {
  if (!request.sec_fetch_site.empty()) {
    return EqualsIgnoreCase(request.sec_fetch_site, "same-origin") ||
           EqualsIgnoreCase(request.sec_fetch_site, "none");
  }
  const std::string_view origin =
      request.origin.empty() ? OriginOfUrl(request.referer) : std::string_view(request.origin);
  return IsSameOrigin(origin, request.host, request.https);
}

// True when the query `query` of the host page asks the start page to log
// out. A status that is no number is left to the application to answer.
bool AsksToLogOut(std::string_view query) {
  const UrlValues values = ParseUrlEncoded(query);
  const std::string status = LookUp(values, contract::kStartStatusKey);
  if (values.count(contract::kItemKey) != 0 || status.empty()) return false;
  try {
    return ParseInt16(status) == contract::kLoggedOut;
  } catch (const Error&) {
    return false;
  }
}

// The page that asks whether to log out, for a request to log out that may
// come from another site: its form posts the same request from this page,
// its link goes back to the start page and keeps the session.
Reply LogOutConfirmation(const Request& request, const std::string& start_link) {
  const std::string form = "<form method=\"post\" action=\"" +
                           HtmlEscape(request.path + "?" + request.query) +
                           "\"><p><button type=\"submit\">Log out</button></p></form>\r\n";
  return RefusalPage(200, "Log out?", "Do you want to log out? You are still signed in.",
                     start_link, "", form);
}

}  // namespace

bool NamesItem(std::string_view query, const std::string& item) {
  if (query.empty() || item.empty()) return false;
  return EqualsIgnoreCase(LookUp(ParseUrlEncoded(query), contract::kItemKey), item);
}

bool IsSameOrigin(std::string_view origin, std::string_view host, bool https) {
  const std::string_view scheme = https ? "https://" : "http://";
  const char* default_port = https ? "443" : "80";
  if (host.empty() || origin.size() <= scheme.size() ||
      !EqualsIgnoreCase(origin.substr(0, scheme.size()), scheme)) {
    return false;
  }
  std::string_view origin_host, origin_port, own_host, own_port;
  return SplitAuthority(origin.substr(scheme.size()), default_port, origin_host, origin_port) &&
         SplitAuthority(host, default_port, own_host, own_port) &&
         EqualsIgnoreCase(origin_host, own_host) && origin_port == own_port;
}

std::optional<Reply> GuardRefusal(const Request& request, bool serves_plain, const Routes& routes) {
  const std::string& path = request.path;
  // A load balancer's health probe is no page and carries no session: it is
  // answered on every listener, plain ones included.
  if (routes.HealthProbe(request.method, path) != nullptr) return std::nullopt;
  const bool secure = request.https;
  if (!serves_plain && !secure) {
    return RedirectTo("https://" + request.secure_addr + HostPageFor(path, routes));
  }
  if (request.method == "POST" && IsCrossSite(request)) {
    return RefusalPage(403, "Cross-site request refused",
                       "This server only accepts forms sent from its own pages.",
                       HostPageFor(path, routes));
  }
  if (request.method == "GET" && routes.IsPagePath(path) && !IsOwnNavigation(request) &&
      AsksToLogOut(request.query)) {
    return LogOutConfirmation(request, HostPageFor(path, routes));
  }
  if (request.method == "GET" && routes.IsPagePath(path) &&
      (NamesItem(request.query, routes.upload_item) || NamesItem(request.query, routes.run_item))) {
    return RedirectTo((secure ? "https://" : "http://") + request.local_addr + StartLinkFor(path));
  }
  return std::nullopt;
}

}  // namespace quorax
