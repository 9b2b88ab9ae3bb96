#ifndef QUORAX_HTTP_TRANSPORT_OPTIONS_H_
#define QUORAX_HTTP_TRANSPORT_OPTIONS_H_

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "http/exchange.h"

namespace quorax {

// What the connections of a listener need to know; the application server
// fills it from its own options.
struct TransportOptions {
  // Replaces the server variable "LOCAL_ADDR" when not empty ("HOST[:PORT]").
  std::string public_address;
  // Proxies whose forwarded headers are believed (canonical addresses).
  std::vector<std::string> trusted_proxies;
  size_t max_body = 64 * 1024;
  size_t header_limit = 16 * 1024;
  std::chrono::milliseconds read_timeout = std::chrono::seconds(30);
  std::chrono::milliseconds idle_timeout = std::chrono::seconds(60);
  std::chrono::milliseconds write_timeout = std::chrono::seconds(30);
  // Open connections allowed in all and from one client.
  size_t max_connections = 1000;
  size_t max_connections_per_address = 600;
  // Receives one access-log line per request; when empty the lines go to
  // standard error.
  std::function<void(const std::string&)> access_log;
  // The address that the transport's own refusal pages link back to.
  std::string start_link = "/";
};

// Looks at a request before it is counted and handed to the handler: returns
// the answer that refuses it, or nothing to let it through.
using RequestGuard = std::function<std::optional<Reply>(const IncomingRequest&)>;

}  // namespace quorax

#endif  // QUORAX_HTTP_TRANSPORT_OPTIONS_H_
