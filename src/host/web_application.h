#ifndef QUORAX_HOST_WEB_APPLICATION_H_
#define QUORAX_HOST_WEB_APPLICATION_H_

#include <string>

#include "host/routes.h"
#include "host/web_host.h"

namespace quorax {

// The application object as the host sees it. Handlers may be called from
// several threads at once, for different sessions.
class WebApplication {
 public:
  virtual ~WebApplication() = default;

  // The addresses the application serves: its host page, the redirect to
  // it, the health check and its upload item.
  virtual Routes SiteRoutes() const = 0;

  // Runs for a request to the host page that names no page item.
  virtual void WebClass_Start(WebHost& host) = 0;

  // Runs the Respond handler of page item `item` (compared without regard to
  // case). Returns false, having done nothing, when there is no such item.
  virtual bool Respond(const std::string& item, WebHost& host) = 0;

  // Returns "" when the application can serve requests, else a one-line
  // reason. With `check_database` it also asks its database, which may take
  // a few seconds. Never raises; may run on several threads at once.
  virtual std::string HealthProblem(bool check_database) {
    (void)check_database;
    return "";
  }

  // True when the application serves requests that came over a plain
  // (not HTTPS) connection. When false, the host answers each of them with
  // the redirect to the HTTPS start page before any session work. Asked for
  // every request; never raises.
  virtual bool ServesPlainConnections() const { return false; }

  // True when the body of a run (a POST to the run item) is to be read in a
  // signed-in session whose values are `session`; false when the run item
  // would refuse it whatever it holds, and the host then runs the item
  // without the body, never read. Asked as each request of the session ends;
  // never raises.
  virtual bool TakesRunBody(const Session& /*session*/) const { return true; }

  // True when a request for page item `item` ("" for WebClass_Start) and
  // every next item its handlers name finish quickly without ever waiting
  // (no database, no files): the host may then run it on a network thread.
  virtual bool NeverBlocks(const std::string& /*item*/) const { return false; }
};

// Runs one request: WebClass_Start when `item` is empty, else that item's
// Respond handler; then every next item that the handlers name, in the same
// request. Returns false when `item` names no page item. Errors that leave a
// handler are raised to the caller.
bool Dispatch(WebApplication& app, WebHost& host, const std::string& item);

}  // namespace quorax

#endif  // QUORAX_HOST_WEB_APPLICATION_H_
