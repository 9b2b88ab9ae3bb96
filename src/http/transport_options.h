#ifndef QUORAX_HTTP_TRANSPORT_OPTIONS_H_
#define QUORAX_HTTP_TRANSPORT_OPTIONS_H_

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contract/page_contract.h"
#include "http/exchange.h"

namespace quorax {

class SpoolFile;

// Requests whose body goes to a file as it arrives, rather than into memory:
// a file of any size sent from a browser. Empty `accepts`: none.
struct BodySpooling {
  // True for the path and query (TargetPath, TargetQuery) of a request to spool.
  std::function<bool(std::string_view path, std::string_view query)> accepts;
  // The largest body such a request may carry.
  size_t max_body = contract::kDefaultLargestRunBody;
  // The answer to such a request whose body is larger.
  Reply too_large;
  // Asked once the header of such a request is read, before any byte of its
  // body: false sends the request on to the guard and the handler without
  // its body, which is never read, and closes the connection after the
  // answer. Empty: every such body is read.
  std::function<bool(const Request&)> takes_body;
};

// What the connections of a listener need to know. The host's options hold
// one, set from the command line, and the host fills start_link from its routes.
struct TransportOptions {
  // Replaces the server variable "LOCAL_ADDR" when not empty ("HOST[:PORT]").
  std::string public_address;
  // Canonical addresses of proxies whose X-Forwarded-For and
  // X-Forwarded-Proto headers are believed; from any other peer they are
  // ignored.
  std::vector<std::string> trusted_proxies;
  // No page takes more than an upload, which stops at 32,767 bytes; bodies
  // between that and this limit still reach the application's own page.
  size_t max_body = 64 * 1024;
  size_t header_limit = 16 * 1024;
  // Time allowed to receive one whole request once its first byte arrived
  // (and for a new connection's first byte).
  std::chrono::milliseconds read_timeout = std::chrono::seconds(30);
  // Time a kept-alive connection may wait for its next request.
  std::chrono::milliseconds idle_timeout = std::chrono::seconds(60);
  std::chrono::milliseconds write_timeout = std::chrono::seconds(30);
  // Open connections allowed in all and from one client (an IPv4 address or
  // an IPv6 /64). At a limit a new connection sheds the oldest idle one that
  // counts there, or is closed at once when all of those are busy. Per client:
  // 100 testers behind one NAT, with a browser's 6 connections each.
  size_t max_connections = 1000;
  size_t max_connections_per_address = 600;
  // Receives one access-log line per request (without line end); when empty
  // the lines go to standard error.
  std::function<void(const std::string&)> access_log;
  // The address that the transport's own refusal pages link back to, and
  // the one a refused upload (a body too large) links back to.
  std::string start_link = "/";
  std::string upload_form_link = "/";
  BodySpooling spooling;
};

// Looks at a request before it is counted and handed to the handler: returns
// the answer that refuses it, or nothing to let it through.
using RequestGuard = std::function<std::optional<Reply>(const Request&)>;

}  // namespace quorax

#endif  // QUORAX_HTTP_TRANSPORT_OPTIONS_H_
