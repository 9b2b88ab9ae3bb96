#ifndef QUORAX_DATABASE_CONNECTION_IMPL_H_
#define QUORAX_DATABASE_CONNECTION_IMPL_H_

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "database/connection.h"

// The client library's connection type, declared here so that only the .cc
// files of this folder include the library's header.
struct pg_conn;

namespace quorax::db {

struct ConnectionFree {
  void operator()(pg_conn* conn) const;
};
using PgConnection = std::unique_ptr<pg_conn, ConnectionFree>;

// The private state of a Connection.
struct Connection::Impl {
  PgConnection conn;  // null while closed
  std::vector<ProviderError> errors;
  // Statements prepared on `conn`: statement key -> prepared statement name.
  std::map<std::string, std::string> prepared;

  // Replaces the error list by `error` and raises PlatformFailure with its
  // description.
  [[noreturn]] void Fail(ProviderError error);

  // Runs CALL procedure($1, ..., $N) with `parameters` bound by position and
  // stores the returned values of the output parameters in them.
  // REQUIRES: the connection is open. Raises PlatformFailure (after Fail) when
  // the database reports an error.
  void Call(const std::string& procedure,
            const std::vector<std::shared_ptr<Parameter>>& parameters);
};

}  // namespace quorax::db

#endif  // QUORAX_DATABASE_CONNECTION_IMPL_H_
