#include "host/request_router.h"

#include <cassert>
#include <chrono>
#include <optional>

#include "common/text.h"
#include "contract/page_contract.h"
#include "host/health_check.h"
#include "host/request_guard.h"
#include "http/access_log.h"
#include "http/limit_key.h"

namespace quorax {

namespace {

Reply NotFound(const std::string& start_link) {
  return RefusalPage(404, "Page not found", "There is no page at this address.", start_link);
}

bool IsFormBody(std::string_view content_type) {
  std::string_view media = TrimSpaces(content_type.substr(0, content_type.find(';')));
  return EqualsIgnoreCase(media, "application/x-www-form-urlencoded");
}

std::string SessionCookie(const std::string& value, bool https) {
  constexpr std::string_view kAttributes = "; Path=/; HttpOnly; SameSite=Lax";
  constexpr std::string_view kSecure = "; Secure";
  std::string cookie;
  cookie.reserve(32 + value.size() + kAttributes.size() + kSecure.size());
  cookie.append(kSessionCookie).append("=").append(value).append(kAttributes);
  if (https) cookie.append(kSecure);
  return cookie;
}

// The answer to a request that does not reach the application, or nothing
// for a GET or POST that `route` sends there.
std::optional<Reply> HostReply(const std::string& method, const std::string& path,
                               const Route* route, const std::string& start_page) {
  if (path.empty() || path.front() != '/') {
    return RefusalPage(400, "Bad request", "The address is not valid.", start_page);
  }
  if (method != "GET" && method != "POST") {
    Reply reply = RefusalPage(405, "Method not allowed", "This server only answers GET and POST.",
                              StartLinkFor(path));
    reply.headers.emplace_back("Allow", "GET, POST");
    return reply;
  }
  if (route != nullptr && route->kind == RouteKind::kRedirect) {
    Reply reply;
    reply.status = 302;
    reply.headers.emplace_back("Location", route->location);
    return reply;
  }
  if (route == nullptr || route->kind != RouteKind::kApplication) return NotFound(start_page);
  return std::nullopt;
}

// The page item a request names: the value of "WCI", or "" without one.
std::string RequestedItem(const PageRequest& page) {
  return LookUp(page.query_values, contract::kItemKey);
}

}  // namespace

std::string CookieValue(std::string_view header, std::string_view name) {
  while (!header.empty()) {
    size_t semicolon = header.find(';');
    std::string_view pair = TrimSpaces(header.substr(0, semicolon));
    header =
        semicolon == std::string_view::npos ? std::string_view() : header.substr(semicolon + 1);
    size_t equals = pair.find('=');
    if (equals != std::string_view::npos && pair.substr(0, equals) == name) {
      return std::string(pair.substr(equals + 1));
    }
  }
  return "";
}

std::string SessionClientKey(const Request& request) { return LimitKey(request.remote_addr); }

RequestRouter::RequestRouter(WebApplication& app, SessionStore& sessions,
                             const TemplateStore& templates, SerialQueue::Executor background,
                             std::function<void(std::string_view)> log)
    : app_(app),
      routes_(app.SiteRoutes()),
      sessions_(sessions),
      templates_(templates),
      database_check_([&app] { return ApplicationHealth(app, true); }, std::move(background),
                      kDatabaseCheckFreshFor, [] { return std::chrono::steady_clock::now(); }),
      log_(std::move(log)) {}

void RequestRouter::Handle(Request request, const Done& done) {
  const Route* route = routes_.Find(request.path);
  if (routes_.HealthProbe(request.method, request.path) != nullptr) {
    return ServeHealth(request.query, done);
  }
  if (std::optional<Reply> reply =
          HostReply(request.method, request.path, route, routes_.start_page)) {
    return done(std::move(*reply));
  }

  const std::string client = SessionClientKey(request);
  const std::string session_id = CookieValue(request.cookie, kSessionCookie);
  auto page = std::make_shared<PageRequest>();
  page->query_values = ParseUrlEncoded(request.query);
  if (IsFormBody(request.content_type)) page->form_values = ParseUrlEncoded(request.body);
  page->http = std::move(request);
  Serve(page, session_id, client, done);
}

void RequestRouter::Serve(const std::shared_ptr<PageRequest>& page, const std::string& session_id,
                          const std::string& client, const Done& done) {
  SessionStore::Acquired acquired;
  try {
    acquired = sessions_.Acquire(session_id, SessionStore::Clock::now(), client);
  } catch (...) {
    return done(FailedRequest(page->http.path));
  }
  if (acquired.entry == nullptr) {
    Reply reply = RefusalPage(503, "The server is busy",
                              "Too many sessions are open. Please try again in a few minutes.",
                              StartLinkFor(page->http.path));
    reply.headers.emplace_back("Retry-After", "120");
    return done(std::move(reply));
  }
  page->session_ended = acquired.is_new && !session_id.empty();
  page->session_timeout = std::chrono::duration_cast<std::chrono::seconds>(sessions_.timeout());
  auto job = [this, page, acquired, done] {
    RequestHost host(*page, acquired.entry, sessions_, templates_);
    Reply reply = RunApplication(*page, host);
    acquired.entry->takes_run_body = app_.TakesRunBody(acquired.entry->session);
    if (acquired.is_new || host.renewed()) {
      reply.headers.emplace_back("Set-Cookie", SessionCookie(acquired.entry->id, page->http.https));
    }
    sessions_.Release(acquired.entry, SessionStore::Clock::now());
    done(std::move(reply));
  };
  if (app_.NeverBlocks(RequestedItem(*page))) {
    acquired.entry->queue->RunOrPost(std::move(job));
  } else {
    acquired.entry->queue->Post(std::move(job));
  }
}

Reply RequestRouter::RunApplication(const PageRequest& page, RequestHost& host) {
  try {
    if (page.query_values.count(contract::kItemKey) == 0) {
      Dispatch(app_, host, "");
      return host.TakeReply();
    }
    std::string item = RequestedItem(page);
    if (item.empty() || !LookUp(page.query_values, "WCU").empty() || !Dispatch(app_, host, item)) {
      return NotFound(StartLinkFor(page.http.path));
    }
    return host.TakeReply();
  } catch (...) {
    return FailedRequest(page.http.path);
  }
}

Reply RequestRouter::FailedRequest(const std::string& path) {
  const std::exception_ptr error = std::current_exception();
  assert(error != nullptr);
  log_(ErrorLogLine("the application's request", error));
  return ErrorPage(error, StartLinkFor(path));
}

}  // namespace quorax
