#ifndef QUORAX_HTTP_FORWARDED_H_
#define QUORAX_HTTP_FORWARDED_H_

#include <string>
#include <string_view>
#include <vector>

namespace quorax {

// Who sent a request, as the access log and the application see it.
struct ClientOrigin {
  std::string address;  // the server variable REMOTE_ADDR
  bool https = false;   // the server variable HTTPS
};

// Returns the canonical text of the IP address `text` ("::ffff:1.2.3.4" as
// "1.2.3.4", "0:0::1" as "::1"), or "" when `text` is not one.
std::string CanonicalAddress(std::string_view text);

// Returns the origin of a request that the connection from `peer` (a
// canonical address; `tls` for the TLS listener) carried. Only when `peer`
// is one of `trusted_proxies` (canonical addresses) do the forwarded header
// values count: "X-Forwarded-Proto" https or http sets `https`, and the
// rightmost address of "X-Forwarded-For" (the one that proxy appended)
// becomes `address`. Values that are absent or malformed leave the peer's own.
ClientOrigin OriginOf(const std::string& peer, bool tls, std::string_view forwarded_proto,
                      std::string_view forwarded_for,
                      const std::vector<std::string>& trusted_proxies);

}  // namespace quorax

#endif  // QUORAX_HTTP_FORWARDED_H_
