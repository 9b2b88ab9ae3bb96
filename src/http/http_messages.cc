#include "http/http_messages.h"

#include <algorithm>

#include "common/text.h"
#include "http/forwarded.h"
#include "http/pages.h"

#include "contract/page_contract.h"

namespace quorax {

namespace {

// The error category of HTTP parse errors.
bool IsHttpParseError(const beast::error_code& error) {
  return &error.category() == &http::make_error_code(http::error::bad_method).category();
}

// An IPv4 peer of a dual-stack socket shows as its IPv4 address.
net::ip::address Unmapped(const net::ip::address& address) {
  if (address.is_v6() && address.to_v6().is_v4_mapped()) {
    return net::ip::make_address_v4(net::ip::v4_mapped, address.to_v6());
  }
  return address;
}

// `authority` without the `scheme`'s default port, for comparing.
std::string_view WithoutDefaultPort(std::string_view authority, std::string_view scheme) {
  const std::string_view port = EqualsIgnoreCase(scheme, "https") ? ":443" : ":80";
  if (authority.size() > port.size() && authority.ends_with(port)) {
    authority.remove_suffix(port.size());
  }
  return authority;
}

}  // namespace

std::string OriginFormTarget(std::string_view target, std::string_view own_host) {
  const size_t colon = target.find("://");
  const std::string_view scheme = target.substr(0, colon);
  if (colon == std::string_view::npos ||
      !(EqualsIgnoreCase(scheme, "http") || EqualsIgnoreCase(scheme, "https"))) {
    return std::string(target);
  }
  const std::string_view rest = target.substr(colon + 3);
  const size_t path = std::min(rest.find_first_of("/?"), rest.size());
  const std::string_view authority = rest.substr(0, path);
  if (authority.empty() || authority.find('@') != std::string_view::npos ||
      !EqualsIgnoreCase(WithoutDefaultPort(authority, scheme),
                        WithoutDefaultPort(own_host, scheme))) {
    return std::string(target);
  }
  std::string origin_form(rest.substr(path));
  if (origin_form.empty() || origin_form.front() == '?') origin_form.insert(0, "/");
  return origin_form;
}

std::string LocalAddress(const net::ip::tcp::endpoint& local, bool tls) {
  const net::ip::address address = Unmapped(local.address());
  std::string text;
  if (address.is_v6()) {
    // Appended piecewise: GCC 12 at -O3 warns falsely on "[" + string&&.
    text.append("[").append(address.to_string()).append("]");
  } else {
    text = address.to_string();
  }
  if (local.port() != (tls ? 443 : 80)) text += ":" + std::to_string(local.port());
  return text;
}

std::optional<Reply> EncodingRefusal(const http::request_parser<http::string_body>& parser,
                                     const std::string& start_link) {
  const WireRequest& request = parser.get();
  bool has_body = parser.chunked() || parser.content_length().value_or(0) > 0;
  auto encoding = request.find(http::field::content_encoding);
  if (!has_body || encoding == request.end() || beast::iequals(encoding->value(), "identity")) {
    return std::nullopt;
  }
  return RefusalPage(415, "Unsupported request encoding",
                     "This server does not accept compressed request bodies.", start_link);
}

static_assert(contract::kLargestUploadBody == 32767, "the 413 page names the upload limit");

std::optional<Reply> ReadRefusal(const beast::error_code& error, const std::string& start_link,
                                 const std::string& upload_form_link) {
  if (error == http::error::body_limit) {
    return RefusalPage(413, "The file is too large",
                       "The largest file that fits is 32,500 bytes: with the 200 or so bytes the "
                       "browser adds around the file, an upload may be at most 32,767 bytes, and "
                       "this one was much larger. Split the file into smaller files and upload "
                       "them one at a time.",
                       upload_form_link, "Back to the upload form");
  }
  if (error == http::error::header_limit) {
    return RefusalPage(431, "Request header too large",
                       "The request header is larger than this server takes.", start_link);
  }
  if (IsHttpParseError(error) && error != http::error::end_of_stream &&
      error != http::error::partial_message) {
    return RefusalPage(400, "Bad request", "The server could not read the request.", start_link);
  }
  return std::nullopt;
}

Request ToRequest(WireRequest& wire, bool https, const std::string& local_addr,
                  const std::string& remote_addr) {
  Request request;
  request.method = std::string(wire.method_string());
  request.host = std::string(wire[http::field::host]);
  const std::string_view target(wire.target().data(), wire.target().size());
  const std::string origin_form =
      OriginFormTarget(target, request.host.empty() ? local_addr : request.host);
  request.path = std::string(TargetPath(origin_form));
  request.query = std::string(TargetQuery(origin_form));
  request.content_type = std::string(wire[http::field::content_type]);
  request.origin = std::string(wire[http::field::origin]);
  request.referer = std::string(wire[http::field::referer]);
  request.sec_fetch_site = std::string(wire["Sec-Fetch-Site"]);
  for (const auto& field : wire) {
    if (field.name() != http::field::cookie) continue;
    if (!request.cookie.empty()) request.cookie += "; ";
    request.cookie += std::string(field.value());
  }
  request.body = std::move(wire.body());
  request.https = https;
  request.local_addr = local_addr;
  request.remote_addr = remote_addr;
  return request;
}

void ApplyOrigin(const WireRequest& wire, const std::string& peer,
                 const std::vector<std::string>& trusted_proxies, Request& request) {
  std::string forwarded_for;
  for (const auto& field : wire) {
    if (!beast::iequals(field.name_string(), "X-Forwarded-For")) continue;
    if (!forwarded_for.empty()) forwarded_for += ",";
    forwarded_for += std::string(field.value());
  }
  ClientOrigin origin = OriginOf(peer, request.https, std::string(wire["X-Forwarded-Proto"]),
                                 forwarded_for, trusted_proxies);
  request.https = origin.https;
  request.remote_addr = std::move(origin.address);
}

}  // namespace quorax
