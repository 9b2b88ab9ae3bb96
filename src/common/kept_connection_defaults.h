#ifndef QUORAX_COMMON_KEPT_CONNECTION_DEFAULTS_H_
#define QUORAX_COMMON_KEPT_CONNECTION_DEFAULTS_H_

#include <chrono>
#include <cstddef>

namespace quorax {

// The server's defaults for the database connections kept between a signed-in
// session's requests. Its option table and the connection keeper both use
// these, so that --help and the keeper cannot disagree.

// Connections kept open at most.
inline constexpr size_t kDefaultKeptConnections = 32;
// The longest a kept connection serves after the database last accepted its
// credentials.
inline constexpr std::chrono::seconds kDefaultConnectionMaxAge{300};

}  // namespace quorax

#endif  // QUORAX_COMMON_KEPT_CONNECTION_DEFAULTS_H_
