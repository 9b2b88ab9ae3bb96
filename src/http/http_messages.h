#ifndef QUORAX_HTTP_HTTP_MESSAGES_H_
#define QUORAX_HTTP_HTTP_MESSAGES_H_

// Boost 1.74's Asio needs <utility> first under C++20.
#include <utility>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/beast/http.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/exchange.h"

namespace quorax {

namespace beast = boost::beast;
namespace http = boost::beast::http;
namespace net = boost::asio;

// How HTTP messages map to the router's requests and replies, whatever
// stream carries them. A request as the parser reads it off the wire.
using WireRequest = http::request<http::string_body>;

// Returns the server variable LOCAL_ADDR for a connection received at
// `local`: the address ("[...]" for IPv6), with ":port" unless the port is
// the scheme's default.
std::string LocalAddress(const net::ip::tcp::endpoint& local, bool tls);

// Returns the refusal page answering a request whose header names a body
// encoding other than identity (linking to `start_link`), or nothing when the request is
// acceptable.
std::optional<Reply> EncodingRefusal(const http::request_parser<http::string_body>& parser,
                                     const std::string& start_link);

// Returns the refusal page answering a request that could not be read because
// of `error` (431 or 400, linking to `start_link`; 413, for a body too large,
// linking to `upload_form_link`, since only an upload is that large), or
// nothing when the connection is simply dropped (the client went away or
// was too slow).
std::optional<Reply> ReadRefusal(const beast::error_code& error, const std::string& start_link,
                                 const std::string& upload_form_link);

// Returns an absolute-form `target` ("https://host/path?query") whose
// authority names `own_host` (without regard to case, the scheme's default
// port filled in) as the origin-form target it stands for ("/path?query",
// "/" without a path); any other target unchanged, so that an address on
// another host or with user info is refused like any target that does not
// begin with "/".
std::string OriginFormTarget(std::string_view target, std::string_view own_host);

// Returns what the router needs of `wire`; its body is moved out. An
// absolute-form target naming this server (its Host header, or LOCAL_ADDR
// `local_addr` without one) becomes origin-form before it is split into
// path and query.
Request ToRequest(WireRequest& wire, bool https, const std::string& local_addr,
                  const std::string& remote_addr);

// Sets the request's https flag and remote_addr from the connection's
// `peer` address and the forwarded headers, which count only from one of
// `trusted_proxies` (OriginOf); several X-Forwarded-For fields count as one
// list, in order.
void ApplyOrigin(const WireRequest& wire, const std::string& peer,
                 const std::vector<std::string>& trusted_proxies, Request& request);

}  // namespace quorax

#endif  // QUORAX_HTTP_HTTP_MESSAGES_H_
