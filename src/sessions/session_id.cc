#include "sessions/session_id.h"

#include <openssl/rand.h>

#include <cstddef>

#include "common/errors.h"

namespace quorax {

namespace {

// Session ids each draw from the random source provides.
constexpr size_t kIdsPerDraw = 64;

}  // namespace

std::string NewSessionId() {
  constexpr size_t kIdBytes = 16;
  // Drawn in batches per thread: one call of the generator costs far more
  // than its output, and every visitor without a cookie needs a new id.
  thread_local unsigned char pool[kIdBytes * kIdsPerDraw];
  thread_local size_t used = sizeof pool;
  if (used == sizeof pool) {
    if (RAND_bytes(pool, sizeof pool) != 1) {
      throw PlatformFailure("the server could not draw a random session id");
    }
    used = 0;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string id(2 * kIdBytes, '0');
  for (size_t i = 0; i < kIdBytes; ++i) {
    unsigned char byte = pool[used + i];
    id[2 * i] = kHex[byte >> 4];
    id[2 * i + 1] = kHex[byte & 15];
  }
  used += kIdBytes;
  return id;
}

}  // namespace quorax
