#include "tcdb/ping.h"

#include "database/ping.h"

namespace quorax {

std::string PingDatabase(const std::string& ConnectionString) { return db::Ping(ConnectionString); }

}  // namespace quorax
