#ifndef QUORAX_HOST_REQUEST_ROUTER_H_
#define QUORAX_HOST_REQUEST_ROUTER_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/host_pages.h"
#include "host/request_host.h"
#include "host/session_store.h"
#include "host/template_store.h"
#include "host/web_application.h"

namespace quorax {

// The name of the session cookie.
inline constexpr const char* kSessionCookie = "QuoraxSession";

// A complete request as read from the network.
struct IncomingRequest {
  std::string method;  // "GET", "POST", ...
  std::string target;  // path and query as sent
  std::string content_type;
  std::string cookie;  // the Cookie header fields, joined by "; "
  std::string body;
  bool https = false;
  std::string local_addr;  // host[:port] as the pages name this server
};

// Decides the answer to each request: a redirect of "/", the application
// for GET and POST to a path ending in "/" and the host page's name (any
// case), a host page otherwise. Application requests run on their session's queue (at once on
// the calling thread when the queue is idle and the application says the item never blocks);
// every error that leaves a handler becomes the host's error page.
class RequestRouter {
 public:
  using Done = std::function<void(Reply)>;

  RequestRouter(WebApplication& app, SessionStore& sessions, const TemplateStore& templates)
      : app_(app), sessions_(sessions), templates_(templates) {}

  // Answers `request` by calling `done` exactly once: before returning for
  // host pages and for application items that never block when their
  // session is idle, otherwise later on a worker thread.
  void Handle(IncomingRequest request, const Done& done);

 private:
  // Runs the request on its session's queue.
  void Serve(const std::shared_ptr<RequestData>& data, const std::string& session_id,
             const Done& done);
  Reply RunApplication(const RequestData& data, const std::shared_ptr<SessionEntry>& entry,
                       bool& abandoned);

  WebApplication& app_;
  SessionStore& sessions_;
  const TemplateStore& templates_;
};

// Returns the value of cookie `name` in a Cookie header, or "" when absent.
std::string CookieValue(std::string_view header, std::string_view name);

// True when `path` ends in "/" and the host page's name (kHostPageName),
// without regard to case.
bool IsHostPagePath(std::string_view path);

}  // namespace quorax

#endif  // QUORAX_HOST_REQUEST_ROUTER_H_
