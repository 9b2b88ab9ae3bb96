#include "database/ping.h"
#include "web/main.h"

namespace quorax {

std::string main::HealthProblem(bool check_database) {
  if (!check_database) return "";
  if (DataSourceName.empty()) return "no database is configured (the DSN setting is empty)";
  return db::Ping(DataSourceName);
}

}  // namespace quorax
