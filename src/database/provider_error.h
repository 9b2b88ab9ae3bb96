#ifndef QUORAX_DATABASE_PROVIDER_ERROR_H_
#define QUORAX_DATABASE_PROVIDER_ERROR_H_

#include <string_view>
#include <utility>

#include "common/errors.h"
#include "database/connection.h"

namespace quorax::db {

// The kind of failure a SQLSTATE reports: 53300 kOutOfConnections; else by
// its class, 08 kConnection, 28 kCredentials, 53 and 57 kUnavailable; any
// other SQLSTATE, and none, is kGeneral. The one place where this is decided.
ErrorKind KindOf(std::string_view sqlstate);

// True when `error` is the server refusing a connection because its own or
// the user's connection limit is reached (kind kOutOfConnections).
bool OutOfConnections(const ProviderError& error);

// A failure the database or its client library reported, raised as the
// type of its kind, so that a caller catches the kinds it handles.
class DatabaseError : public PlatformFailure {
 public:
  explicit DatabaseError(ProviderError error)
      : PlatformFailure(error.Description), error_(std::move(error)) {}
  const ProviderError& error() const { return error_; }

 private:
  ProviderError error_;
};

// ErrorKind::kConnection.
class ConnectionFailed : public DatabaseError {
 public:
  using DatabaseError::DatabaseError;
};

// ErrorKind::kCredentials.
class CredentialsRefused : public DatabaseError {
 public:
  using DatabaseError::DatabaseError;
};

// ErrorKind::kUnavailable and kOutOfConnections.
class ServerUnavailable : public DatabaseError {
 public:
  using DatabaseError::DatabaseError;
};

// Raises `error` as the DatabaseError type of its kind (DatabaseError itself
// for kGeneral).
[[noreturn]] void RaiseProviderError(const ProviderError& error);

// The error-list entry for a failure: its kind (KindOf `sqlstate`), and the
// description "[PostgreSQL][SQLSTATE]message", or "[PostgreSQL]message"
// without a SQLSTATE. `message` is UTF-8; the description is Windows-1252,
// on one line, without trailing white space.
ProviderError MakeProviderError(std::string_view sqlstate, std::string_view message);

// The entry for a failed connection attempt, from the client library's
// verbose error message. The last error the server reported ("FATAL:  28P01:
// password authentication failed ...") gives the SQLSTATE and the message;
// without one (server unreachable, no answer) the whole text is the message
// of a connection that could not be made (SQLSTATE 08001).
ProviderError ConnectionFailure(std::string_view verbose_message);

}  // namespace quorax::db

#endif  // QUORAX_DATABASE_PROVIDER_ERROR_H_
