#ifndef QUORAX_DATABASE_PROVIDER_ERROR_H_
#define QUORAX_DATABASE_PROVIDER_ERROR_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include "database/connection.h"

namespace quorax::db {

// The error number for a SQLSTATE: kAuthenticationFailed for class 28
// (invalid authorization), kUnspecifiedFailure for everything else, including
// an empty SQLSTATE (a failure found by the client library itself).
int32_t ErrorNumberFor(std::string_view sqlstate);

// True when a connection that failed to open was refused for its
// credentials: its first error is kAuthenticationFailed, or there is none
// (the failure gave no other reason).
bool CredentialsRefused(const std::vector<ProviderError>& errors);

// The error-list entry for a failure: its number, and the description
// "[PostgreSQL][SQLSTATE]message", or "[PostgreSQL]message" without a SQLSTATE.
// `message` is UTF-8; the description is Windows-1252, on one line, without
// trailing white space.
ProviderError MakeProviderError(std::string_view sqlstate, std::string_view message);

// The entry for a failed connection attempt, from the client library's
// verbose error message. The last error the server reported ("FATAL:  28P01:
// password authentication failed ...") gives the SQLSTATE and the message;
// without one (server unreachable) the whole text is the message.
ProviderError ConnectionFailure(std::string_view verbose_message);

}  // namespace quorax::db

#endif  // QUORAX_DATABASE_PROVIDER_ERROR_H_
