#ifndef QUORAX_HOST_REQUEST_ROUTER_H_
#define QUORAX_HOST_REQUEST_ROUTER_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "host/error_pages.h"
#include "host/request_host.h"
#include "host/shared_check.h"
#include "host/template_store.h"
#include "host/web_application.h"
#include "http/exchange.h"
#include "sessions/session_store.h"

namespace quorax {

// The name of the session cookie.
inline constexpr const char* kSessionCookie = "QuoraxSession";

// Decides the answer to each request by the application's route table
// (SiteRoutes): a redirect, the application for GET and POST, the health
// check for GET; a refusal page for any other request.
// Application requests run on their session's queue (at once on the calling
// thread when the queue is idle and the application says the item never
// blocks); every error that leaves a handler is logged and answered by its
// error page (ErrorPage).
class RequestRouter : public RequestHandler {
 public:
  // `background` runs the database health checks, one at a time and at
  // most one per kDatabaseCheckFreshFor; probes meanwhile share the result.
  // `log` receives one line for each error that leaves a handler.
  RequestRouter(WebApplication& app, SessionStore& sessions, const TemplateStore& templates,
                SerialQueue::Executor background, std::function<void(std::string_view)> log);

  // Calls `done` before returning for refusal pages, the plain health check
  // and application items that never block when their session is idle;
  // later on a worker thread for other application requests and the
  // database health check (unless a fresh result answers it).
  void Handle(Request request, const Done& done) override;

 private:
  // Answers the health check without a session; `query` is the target's query.
  void ServeHealth(std::string_view query, const Done& done);
  // Runs the request on its session's queue; a new session is a guest of
  // `client` (a SessionClientKey).
  void Serve(const std::shared_ptr<PageRequest>& page, const std::string& session_id,
             const std::string& client, const Done& done);
  Reply RunApplication(const PageRequest& page, RequestHost& host);
  // Logs the exception being handled and returns its error page, linking to
  // the start page of `path`. REQUIRES: called inside a catch block.
  Reply FailedRequest(const std::string& path);

  WebApplication& app_;
  const Routes routes_;
  SessionStore& sessions_;
  const TemplateStore& templates_;
  SharedCheck database_check_;
  const std::function<void(std::string_view)> log_;
};

// Returns the value of cookie `name` in a Cookie header, or "" when absent.
std::string CookieValue(std::string_view header, std::string_view name);

// The key under which the session store counts a client's guest sessions:
// the client's address as the request reports it, grouped as the
// connection limits group it (LimitKey: IPv6 per /64).
std::string SessionClientKey(const Request& request);

}  // namespace quorax

#endif  // QUORAX_HOST_REQUEST_ROUTER_H_
