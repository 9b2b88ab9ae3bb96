#include "database/ping.h"

#include <libpq-fe.h>

#include "common/windows1252.h"

namespace quorax::db {

std::string Ping(const std::string& ConnectionString) {
  const std::string dsn = Utf8FromWindows1252(ConnectionString);
  // The connection string comes after the defaults, so that what it says wins.
  const char* keywords[] = {"application_name", "connect_timeout", "dbname", nullptr};
  const char* values[] = {"quorax", "3", dsn.c_str(), nullptr};
  switch (PQpingParams(keywords, values, 1)) {
    case PQPING_OK:
      return "";
    case PQPING_REJECT:
      return "the database server refuses connections (starting, stopping or recovering)";
    case PQPING_NO_ATTEMPT:
      return "the database connection string (DSN) is not valid";
    default:
      return "the database server does not answer";
  }
}

}  // namespace quorax::db
