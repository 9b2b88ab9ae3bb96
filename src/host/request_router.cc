#include "host/request_router.h"

#include <chrono>
#include <optional>

#include "common/text.h"
#include "contract/page_contract.h"
#include "host/health_check.h"
#include "host/request_guard.h"
#include "http/limit_key.h"

namespace quorax {

namespace {

Reply NotFound(const std::string& start_link) {
  return HostPage(404, "Page not found", "There is no page at this address.", start_link);
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
    return HostPage(400, "Bad request", "The address is not valid.", start_page);
  }
  if (method != "GET" && method != "POST") {
    Reply reply = HostPage(405, "Method not allowed", "This server only answers GET and POST.",
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
std::string RequestedItem(const RequestData& data) {
  return LookUp(data.query, contract::kItemKey);
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

std::string SessionClientKey(const IncomingRequest& request) {
  return LimitKey(request.remote_addr);
}

RequestRouter::RequestRouter(WebApplication& app, SessionStore& sessions,
                             const TemplateStore& templates, SerialQueue::Executor background)
    : app_(app),
      routes_(app.SiteRoutes()),
      sessions_(sessions),
      templates_(templates),
      database_check_([&app] { return ApplicationHealth(app, true); }, std::move(background),
                      kDatabaseCheckFreshFor, [] { return std::chrono::steady_clock::now(); }) {}

void RequestRouter::Handle(IncomingRequest request, const Done& done) {
  const std::string_view target = request.target;
  const size_t question = target.find('?');
  std::string path(target.substr(0, question));
  const std::string_view query =
      question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
  const Route* route = routes_.Find(path);
  if (routes_.HealthProbe(request.method, path) != nullptr) return ServeHealth(query, done);
  if (std::optional<Reply> reply = HostReply(request.method, path, route, routes_.start_page)) {
    return done(std::move(*reply));
  }

  const std::string client = SessionClientKey(request);
  auto data = std::make_shared<RequestData>();
  data->path = path;
  data->query = ParseUrlEncoded(query);
  if (IsFormBody(request.content_type)) data->form = ParseUrlEncoded(request.body);
  data->body = std::move(request.body);
  data->body_file = std::move(request.body_file);
  data->https = RequestIsSecure(request);
  data->local_addr = std::move(request.local_addr);
  data->remote_addr = std::move(request.remote_addr);
  Serve(data, CookieValue(request.cookie, kSessionCookie), client, done);
}

void RequestRouter::Serve(const std::shared_ptr<RequestData>& data, const std::string& session_id,
                          const std::string& client, const Done& done) {
  SessionStore::Acquired acquired;
  try {
    acquired = sessions_.Acquire(session_id, SessionStore::Clock::now(), client);
  } catch (...) {
    return done(ErrorPage(std::current_exception(), StartLinkFor(data->path)));
  }
  if (acquired.entry == nullptr) {
    Reply reply = HostPage(503, "The server is busy",
                           "Too many sessions are open. Please try again in a few minutes.",
                           StartLinkFor(data->path));
    reply.headers.emplace_back("Retry-After", "120");
    return done(std::move(reply));
  }
  data->session_ended = acquired.is_new && !session_id.empty();
  data->session_timeout = std::chrono::duration_cast<std::chrono::seconds>(sessions_.timeout());
  auto job = [this, data, acquired, done] {
    RequestHost host(*data, acquired.entry, sessions_, templates_);
    Reply reply = RunApplication(*data, host);
    if (acquired.is_new || host.renewed()) {
      reply.headers.emplace_back("Set-Cookie", SessionCookie(acquired.entry->id, data->https));
    }
    sessions_.Release(acquired.entry, SessionStore::Clock::now());
    done(std::move(reply));
  };
  if (app_.NeverBlocks(RequestedItem(*data))) {
    acquired.entry->queue->RunOrPost(std::move(job));
  } else {
    acquired.entry->queue->Post(std::move(job));
  }
}

Reply RequestRouter::RunApplication(const RequestData& data, RequestHost& host) {
  try {
    if (data.query.count(contract::kItemKey) == 0) {
      Dispatch(app_, host, "");
      return host.TakeReply();
    }
    std::string item = RequestedItem(data);
    if (item.empty() || !LookUp(data.query, "WCU").empty() || !Dispatch(app_, host, item)) {
      return NotFound(StartLinkFor(data.path));
    }
    return host.TakeReply();
  } catch (...) {
    return ErrorPage(std::current_exception(), StartLinkFor(data.path));
  }
}

}  // namespace quorax
