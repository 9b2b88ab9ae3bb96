#ifndef QUORAX_KEPT_KEPT_DATABASE_H_
#define QUORAX_KEPT_KEPT_DATABASE_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "kept/connection_keeper.h"
#include "tcdb/tcdb.h"

namespace quorax {

class Session;

// The database connection kept for `session`, or a new unconnected one when
// none is, the session's "User" or "Pass" changed since it was kept, or its
// credentials were checked `max_age` or longer ago (the kept one is then
// closed). A new one is to be connected at once: its credentials count as
// checked now. Either way it is the caller's until KeepDatabase.
std::unique_ptr<TCDB> TakeDatabase(ConnectionKeeper& keeper, const Session& session,
                                   std::chrono::milliseconds max_age);

// Connects `database` with the session's "User" and "Pass" as TCDB::Connect
// does and returns its code. While the database has no connection to spare,
// for at most two seconds: a kept connection is closed to make room (the
// user's own first; two at most), or else the next one handed back to
// `keeper` is awaited, and the connection is tried again.
int16_t ConnectDatabase(ConnectionKeeper& keeper, const Session& session, const std::string& dsn,
                        TCDB& database);
// The same for `user` and `password`, a connection of no session's.
int16_t ConnectDatabase(ConnectionKeeper& keeper, const std::string& user,
                        const std::string& password, const std::string& dsn, TCDB& database);

// Keeps `database`, signed in with the session's "User" and "Pass", for the
// next request of `session` (see TakeDatabase for how long it serves).
void KeepDatabase(ConnectionKeeper& keeper, Session& session, std::unique_ptr<TCDB> database);

// Closes the connection kept for `session`: its credentials are about to
// change, and a connection signed in with the old ones must not serve it.
void ForgetDatabase(ConnectionKeeper& keeper, const Session& session);

}  // namespace quorax

#endif  // QUORAX_KEPT_KEPT_DATABASE_H_
