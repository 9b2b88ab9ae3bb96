#ifndef QUORAX_HTTP_LIMIT_KEY_H_
#define QUORAX_HTTP_LIMIT_KEY_H_

#include <string>
#include <string_view>

namespace quorax {

// Returns the key under which the per-client connection limit counts the
// canonical address `address`: an IPv4 address (also one written
// IPv4-mapped) is its own key; an IPv6 address counts with its whole /64,
// written "2001:db8:1:2::/64", since one site usually holds a /64 and picks
// addresses in it freely. Text that is no IP address is returned unchanged.
std::string LimitKey(std::string_view address);

}  // namespace quorax

#endif  // QUORAX_HTTP_LIMIT_KEY_H_
