#ifndef QUORAX_HOST_HEALTH_CHECK_H_
#define QUORAX_HOST_HEALTH_CHECK_H_

#include <chrono>
#include <string>
#include <string_view>

#include "host/error_pages.h"
#include "host/web_application.h"

namespace quorax {

// How long one database check answers every probe: however often load
// balancers probe, the database sees one connection a second at most.
inline constexpr std::chrono::seconds kDatabaseCheckFreshFor{1};

// The application's HealthProblem; an application that breaks its promise
// not to raise still gives a reason rather than a hung probe.
std::string ApplicationHealth(WebApplication& app, bool check_database);

// True when the query (without "?") asks for the database check: db=1.
bool WantsDatabaseCheck(std::string_view query);

// The probe answer: 200 "ok" when `problem` is empty, else 503 with
// `problem` as its one line. Plain text without a line end.
Reply HealthReply(const std::string& problem);

}  // namespace quorax

#endif  // QUORAX_HOST_HEALTH_CHECK_H_
