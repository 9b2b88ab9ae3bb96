#include "host/health_check.h"

#include <exception>
#include <memory>

#include "host/request_router.h"
#include "host/url_encoding.h"

namespace quorax {

std::string ApplicationHealth(WebApplication& app, bool check_database) {
  try {
    return app.HealthProblem(check_database);
  } catch (const std::exception& error) {
    return std::string("the health check failed: ") + error.what();
  } catch (...) {
    return "the health check failed";
  }
}

bool WantsDatabaseCheck(std::string_view query) {
  return LookUp(ParseUrlEncoded(query), "db") == "1";
}

Reply HealthReply(const std::string& problem) {
  Reply reply;
  reply.status = problem.empty() ? 200 : 503;
  reply.headers.emplace_back("Content-Type", "text/plain; charset=utf-8");
  reply.body = problem.empty() ? "ok" : problem;
  reply.probe = true;
  return reply;
}

void RequestRouter::ServeHealth(std::string_view query, const Done& done) {
  if (!WantsDatabaseCheck(query)) return done(HealthReply(ApplicationHealth(app_, false)));
  database_check_.Ask([done](const std::string& problem) { done(HealthReply(problem)); });
}

}  // namespace quorax
