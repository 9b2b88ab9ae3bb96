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

// The host's transport settings, with refusal pages linking to the start page.
TransportOptions TransportOf(const HostOptions& options, const Routes& routes) {
  TransportOptions transport = options.transport;
  transport.start_link = routes.start_page;
  transport.upload_form_link = routes.upload_form;
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
             [this](const IncomingRequest& request) {
               return GuardRefusal(request, options.debug_mode, routes);
             }),
        metrics_core(TransportOf(options, routes), metrics_endpoint),
        transport(core, options.io_threads, options.threads),
        sessions(
            options.session_timeout, options.max_sessions,
            [this](SerialQueue::Job job) { transport.Post(std::move(job)); },
            options.max_sessions_per_user, options.max_guests_per_address),
        router(app, sessions, templates,
               [this](SerialQueue::Job job) { transport.Post(std::move(job)); }),
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
