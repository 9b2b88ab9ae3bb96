#include "host/http_server.h"

#include <iostream>
#include <utility>

#include "host/metrics_endpoint.h"
#include "host/request_guard.h"
#include "host/request_router.h"
#include "host/template_store.h"
#include "http/server_core.h"
#include "http/transport.h"
#include "sessions/session_store.h"

namespace quorax {

namespace {

// `number` with a comma between each group of three digits: "67,108,864".
std::string GroupedDigits(size_t number) {
  std::string digits = std::to_string(number);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

// The answer to a run whose file is over the host's limit: the limit in plain
// numbers and the command line that takes files of any size.
Reply RunTooLarge(size_t limit, const std::string& start_page) {
  return RefusalPage(413, "File too large",
                     "The file is larger than " + GroupedDigits(limit) +
                         " bytes, the most this server takes from a browser. Send it with the "
                         "command line instead, which reads files of any size: quorax verify FILE "
                         "--url ADDRESS --user NAME (or quorax import).",
                     start_page);
}

// The host's transport settings, with refusal pages linking to the start
// page and the application's run item spooled up to its limit.
TransportOptions TransportOf(const HostOptions& options, const Routes& routes) {
  TransportOptions transport = options.transport;
  transport.start_link = routes.start_page;
  transport.upload_form_link = routes.upload_form;
  if (!routes.run_item.empty()) {
    transport.spooling.accepts = [routes](std::string_view path, std::string_view query) {
      return routes.IsPagePath(path) && NamesItem(query, routes.run_item);
    };
    transport.spooling.max_body = options.max_run_bytes;
    transport.spooling.too_large = RunTooLarge(options.max_run_bytes, routes.start_page);
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

// Declared in the order of construction: the transport's worker pool runs
// the sessions' jobs, and the transport stops before anything it serves goes.
class HttpServer::Impl {
 public:
  Impl(WebApplication& app, HostOptions host_options)
      : options(std::move(host_options)),
        routes(app.SiteRoutes()),
        core(TransportOf(options, routes), router,
             [this, &app](const Request& request) {
               return GuardRefusal(request, app.ServesPlainConnections(), routes);
             }),
        metrics_core(TransportOf(options, routes), metrics_endpoint),
        transport(core, options.io_threads, options.threads),
        sessions(
            options.session_timeout, options.max_sessions,
            [this](SerialQueue::Job job) { transport.Post(std::move(job)); },
            options.max_sessions_per_user, options.max_guests_per_address),
        router(
            app, sessions, templates,
            [this](SerialQueue::Job job) { transport.Post(std::move(job)); },
            [this](std::string_view line) { core.Log(line); }),
        metrics_endpoint(sessions) {}

  void Start();

  const HostOptions options;
  const Routes routes;
  ServerCore core;
  ServerCore metrics_core;  // of the metrics listener
  HttpTransport transport;
  SessionStore sessions;
  TemplateStore templates;
  RequestRouter router;
  MetricsEndpoint metrics_endpoint;
  uint16_t plain_port = 0;
  uint16_t secure_port = 0;
  uint16_t metrics_port = 0;
};

void HttpServer::Impl::Start() {
  templates = TemplateStore::Load(options.templates_dir);
  if (templates.Count() == 0) {
    std::cerr << "warning: no page templates found in \"" << options.templates_dir << "\"\n";
  }
  if (!options.listen.empty()) plain_port = transport.Listen(ListenAt(options.listen), core);
  if (!options.tls_listen.empty()) {
    secure_port =
        transport.Listen(ListenAt(options.tls_listen), core, options.tls_cert, options.tls_key);
    core.tls_port = secure_port;
  }
  if (!options.metrics_listen.empty()) {
    metrics_port = transport.Listen(ListenAt(options.metrics_listen), metrics_core);
  }
  transport.Start();
}

HttpServer::HttpServer(WebApplication& app, HostOptions options)
    : impl_(std::make_unique<Impl>(app, std::move(options))) {}

HttpServer::~HttpServer() { Stop(); }

void HttpServer::Start() { impl_->Start(); }
uint16_t HttpServer::port() const { return impl_->plain_port; }
uint16_t HttpServer::tls_port() const { return impl_->secure_port; }
uint16_t HttpServer::metrics_port() const { return impl_->metrics_port; }
void HttpServer::Stop() { impl_->transport.Stop(); }
void HttpServer::Wait() { impl_->transport.Wait(); }

}  // namespace quorax
