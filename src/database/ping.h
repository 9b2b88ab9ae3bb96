#ifndef QUORAX_DATABASE_PING_H_
#define QUORAX_DATABASE_PING_H_

#include <string>

namespace quorax::db {

// Asks the server that `ConnectionString` (Windows-1252, as Connection::Open
// takes it) names whether it accepts connections, without signing in, so
// that neither credentials nor a database session are needed. Waits at most
// three seconds unless the string sets its own connect_timeout. Returns ""
// when it does, else a one-line reason that never repeats the string (it may
// hold a password). Never raises.
std::string Ping(const std::string& ConnectionString);

}  // namespace quorax::db

#endif  // QUORAX_DATABASE_PING_H_
