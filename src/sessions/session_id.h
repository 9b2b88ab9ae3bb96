#ifndef QUORAX_SESSIONS_SESSION_ID_H_
#define QUORAX_SESSIONS_SESSION_ID_H_

#include <string>

namespace quorax {

// Returns a new session id: 32 lower-case hexadecimal digits from a
// cryptographic random source. Raises PlatformFailure when it fails.
std::string NewSessionId();

}  // namespace quorax

#endif  // QUORAX_SESSIONS_SESSION_ID_H_
