#ifndef QUORAX_TCDB_PING_H_
#define QUORAX_TCDB_PING_H_

#include <string>

namespace quorax {

// Whether the database server that `ConnectionString` names accepts
// connections, asked without signing in and within a few seconds: "" when it
// does, else a one-line reason that never repeats the string. Never raises.
std::string PingDatabase(const std::string& ConnectionString);

}  // namespace quorax

#endif  // QUORAX_TCDB_PING_H_
