#include "host/http_server.h"

#include <iostream>
#include <utility>

#include "common/spool_file.h"
#include "common/text.h"
#include "host/request_guard.h"

namespace quorax {

namespace {

// The answer to a run whose file is over the host's limit: the limit in plain
// numbers and the command line that takes files of any size.
Reply RunTooLarge(size_t limit, const std::string& start_page) {
  return RefusalPage(413, "File too large",
                     "The file is larger than " + GroupedNumber(static_cast<long long>(limit)) +
                         " bytes, the most this server takes from a browser. Send it with the "
                         "command line instead, which reads files of any size: quorax verify FILE "
                         "--url ADDRESS --user NAME (or quorax import).",
                     start_page);
}

// True when the session `request` names is live, signed in and, as its last
// request left it, takes a run's body (WebApplication::TakesRunBody).
bool SessionTakesRunBody(const SessionStore& sessions, const Request& request) {
  const std::shared_ptr<SessionEntry> entry = sessions.FindSignedIn(
      CookieValue(request.cookie, kSessionCookie), SessionStore::Clock::now());
  return entry != nullptr && entry->takes_run_body;
}

// The host's transport settings, with refusal pages linking to the start
// page and the application's run item spooled up to its limit when
// `takes_body` takes a request's body.
TransportOptions TransportOf(const HostOptions& options, const Routes& routes,
                             std::function<bool(const Request&)> takes_body) {
  TransportOptions transport = options.transport;
  transport.start_link = routes.start_page;
  transport.upload_form_link = routes.upload_form;
  if (!routes.run_item.empty()) {
    transport.spooling.accepts = [routes](std::string_view path, std::string_view query) {
      return routes.IsPagePath(path) && NamesItem(query, routes.run_item);
    };
    transport.spooling.max_body = options.max_run_bytes;
    transport.spooling.too_large = RunTooLarge(options.max_run_bytes, routes.start_page);
    transport.spooling.takes_body = std::move(takes_body);
  }
  return transport;
}

ListenAddress ListenAt(const std::string& text) {
  ListenAddress address;
  address.text = text;
  SplitHostPort(text, address.host, address.port);
  return address;
}

}  // namespace

HttpServer::HttpServer(WebApplication& app, HostOptions options)
    : options_(std::move(options)),
      routes_(app.SiteRoutes()),
      // A run's body is read only when the guard would let the request
      // through and its session would take the body: anyone else is
      // answered on the header alone.
      core_(TransportOf(options_, routes_,
                        [this, &app](const Request& request) {
                          return !GuardRefusal(request, app.ServesPlainConnections(), routes_) &&
                                 SessionTakesRunBody(sessions_, request);
                        }),
            router_,
            [this, &app](const Request& request) {
              return GuardRefusal(request, app.ServesPlainConnections(), routes_);
            }),
      // The metrics listener takes no run's body: it answers a POST to the
      // run item 404, as any request but GET /metrics, before the body.
      metrics_core_(TransportOf(options_, routes_, [](const Request&) { return false; }),
                    metrics_endpoint_),
      transport_(core_, options_.io_threads, options_.threads),
      sessions_(
          options_.session_timeout, options_.max_sessions,
          [this](SerialQueue::Job job) { transport_.Post(std::move(job)); },
          options_.max_sessions_per_user, options_.max_guests_per_address),
      router_(
          app, sessions_, templates_,
          [this](SerialQueue::Job job) { transport_.Post(std::move(job)); },
          [this](std::string_view line) { core_.Log(line); }),
      metrics_endpoint_(sessions_) {}

HttpServer::~HttpServer() { Stop(); }

void HttpServer::Start() {
  ConfigureSpool(options_.spool_dir, options_.max_spool_bytes);
  templates_ = TemplateStore::Load(options_.templates_dir);
  if (templates_.Count() == 0) {
    std::cerr << "warning: no page templates found in \"" << options_.templates_dir << "\"\n";
  }
  if (!options_.listen.empty()) plain_port_ = transport_.Listen(ListenAt(options_.listen), core_);
  if (!options_.tls_listen.empty()) {
    secure_port_ = transport_.Listen(ListenAt(options_.tls_listen), core_, options_.tls_cert,
                                     options_.tls_key);
    core_.tls_port = secure_port_;
  }
  if (!options_.metrics_listen.empty()) {
    metrics_port_ = transport_.Listen(ListenAt(options_.metrics_listen), metrics_core_);
  }
  transport_.Start();
}

}  // namespace quorax
