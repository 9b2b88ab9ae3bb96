#include "host/http_server.h"

// Boost 1.74's Asio needs <utility> first under C++20.
#include <utility>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>
#include <csignal>
#include <iostream>
#include <thread>
#include <type_traits>
#include <vector>

#include "common/errors.h"
#include "host/forwarded.h"
#include "host/http_connection.h"
#include "host/metrics_endpoint.h"
#include "host/request_router.h"
#include "host/server_core.h"
#include "host/session_store.h"
#include "host/template_store.h"
#include "host/tls_context.h"

namespace quorax {

namespace {

using Tcp = net::ip::tcp;

// How long a stop waits for requests in progress.
constexpr std::chrono::seconds kStopGrace(10);

Tcp::endpoint ResolveListenAddress(net::io_context& io, const std::string& address) {
  std::string host;
  uint16_t port = 0;
  SplitHostPort(address, host, port);
  beast::error_code error;
  net::ip::address ip = net::ip::make_address(host, error);
  if (!error) return {ip, port};
  Tcp::resolver resolver(io);
  auto results = resolver.resolve(host, std::to_string(port), error);
  if (error || results.empty()) {
    throw PlatformFailure("cannot listen on " + address + ": unknown host " + host);
  }
  return results.begin()->endpoint();
}

Tcp::acceptor OpenAcceptor(net::io_context& io, const std::string& address) {
  Tcp::endpoint endpoint = ResolveListenAddress(io, address);
  Tcp::acceptor acceptor(io);
  beast::error_code error;
  acceptor.open(endpoint.protocol(), error);
  if (!error) acceptor.set_option(net::socket_base::reuse_address(true), error);
  if (!error) acceptor.bind(endpoint, error);
  if (!error) acceptor.listen(net::socket_base::max_listen_connections, error);
  if (error) throw PlatformFailure("cannot listen on " + address + ": " + error.message());
  return acceptor;
}

// The client's address, the key of the per-address connection limit.
std::string ClientAddress(const Tcp::socket& socket) {
  beast::error_code error;
  Tcp::endpoint remote = socket.remote_endpoint(error);
  return error ? std::string() : CanonicalAddress(remote.address().to_string());
}

}  // namespace

class HttpServer::Impl {
 public:
  Impl(WebApplication& app, HostOptions host_options)
      : options(std::move(host_options)),
        workers(static_cast<size_t>(options.threads)),
        sessions(
            options.session_timeout, options.max_sessions,
            [this](SerialQueue::Job job) { net::post(workers, std::move(job)); },
            options.max_sessions_per_user, options.max_guests_per_address),
        router(app, sessions, templates,
               [this](SerialQueue::Job job) { net::post(workers, std::move(job)); }),
        core(options, router),
        metrics_endpoint(sessions),
        metrics_core(options, metrics_endpoint, false) {}

  void Start();
  void Stop();
  void Wait();

  // Accepts connections on `acceptor` for the handler of `listener_core`.
  template <class Stream>
  void Accept(Tcp::acceptor& acceptor, ServerCore& listener_core);
  // Closes at once a connection the limits refused (all that count are
  // busy); the access log says how many were refused, once a second at most.
  void RefuseConnection(Tcp::socket& socket);

  const HostOptions options;
  net::thread_pool workers;
  SessionStore sessions;
  TemplateStore templates;
  RequestRouter router;
  ServerCore core;
  MetricsEndpoint metrics_endpoint;
  ServerCore metrics_core;  // of the metrics listener
  std::optional<net::ssl::context> tls;
  // Declared after everything connections use, so that connections still
  // pending in it are destroyed first.
  net::io_context io;
  std::optional<Tcp::acceptor> plain_acceptor;
  std::optional<Tcp::acceptor> tls_acceptor;
  std::optional<Tcp::acceptor> metrics_acceptor;
  std::optional<net::executor_work_guard<net::io_context::executor_type>> work;
  std::vector<std::thread> io_threads;
  uint16_t plain_port = 0;
  uint16_t secure_port = 0;
  uint16_t metrics_port = 0;

  std::mutex stop_run_mutex;  // held while a stop runs
  std::mutex state_mutex;
  std::condition_variable state_changed;
  bool running = false;
  bool stop_requested = false;
};

template <class Stream>
void HttpServer::Impl::Accept(Tcp::acceptor& acceptor, ServerCore& listener_core) {
  acceptor.async_accept(net::make_strand(io), [this, &acceptor, &listener_core](
                                                  beast::error_code error, Tcp::socket socket) {
    if (error == net::error::operation_aborted || !acceptor.is_open()) return;
    if (error) {
      // Out of descriptors, say: try again shortly rather than spin.
      auto timer = std::make_shared<net::steady_timer>(io, std::chrono::milliseconds(100));
      timer->async_wait([this, &acceptor, &listener_core, timer](beast::error_code) {
        Accept<Stream>(acceptor, listener_core);
      });
      return;
    }
    ConnectionLimits::Slot slot = listener_core.limits.Admit(ClientAddress(socket));
    if (!slot) {
      RefuseConnection(socket);
    } else if constexpr (std::is_same_v<Stream, TlsStream>) {
      std::make_shared<HttpConnection<Stream>>(listener_core, std::move(slot), std::move(socket),
                                               *tls)
          ->Run();
    } else {
      std::make_shared<HttpConnection<Stream>>(listener_core, std::move(slot), std::move(socket))
          ->Run();
    }
    Accept<Stream>(acceptor, listener_core);
  });
}

void HttpServer::Impl::RefuseConnection(Tcp::socket& socket) {
  beast::error_code error;
  socket.close(error);
  if (size_t refused = core.limits.TakeRefusalsToReport(ConnectionLimits::Clock::now())) {
    core.Log("connection limit reached: refused " + std::to_string(refused) + " connection(s)");
  }
}

void HttpServer::Impl::Start() {
  templates = TemplateStore::Load(options.templates_dir);
  if (templates.Count() == 0) {
    std::cerr << "warning: no page templates found in \"" << options.templates_dir << "\"\n";
  }
  if (!options.listen.empty()) {
    plain_acceptor.emplace(OpenAcceptor(io, options.listen));
    plain_port = plain_acceptor->local_endpoint().port();
  }
  if (!options.tls_listen.empty()) {
    tls.emplace(MakeTlsContext(options.tls_cert, options.tls_key));
    tls_acceptor.emplace(OpenAcceptor(io, options.tls_listen));
    secure_port = tls_acceptor->local_endpoint().port();
    core.tls_port = secure_port;
  }
  if (!options.metrics_listen.empty()) {
    metrics_acceptor.emplace(OpenAcceptor(io, options.metrics_listen));
    metrics_port = metrics_acceptor->local_endpoint().port();
  }
  if (plain_acceptor) Accept<PlainStream>(*plain_acceptor, core);
  if (tls_acceptor) Accept<TlsStream>(*tls_acceptor, core);
  if (metrics_acceptor) Accept<PlainStream>(*metrics_acceptor, metrics_core);
  work.emplace(io.get_executor());
  for (int i = 0; i < options.io_threads; ++i) io_threads.emplace_back([this] { io.run(); });
  std::lock_guard lock(state_mutex);
  running = true;
}

void HttpServer::Impl::Stop() {
  std::lock_guard stop_lock(stop_run_mutex);
  {
    std::lock_guard lock(state_mutex);
    if (!running) return;
  }
  core.stopping = true;
  metrics_core.stopping = true;
  net::post(io, [this] {
    beast::error_code error;
    if (plain_acceptor) plain_acceptor->close(error);
    if (tls_acceptor) tls_acceptor->close(error);
    if (metrics_acceptor) metrics_acceptor->close(error);
  });
  core.WaitIdle(kStopGrace);
  work.reset();
  io.stop();
  for (auto& thread : io_threads) thread.join();
  io_threads.clear();
  workers.join();
  std::lock_guard lock(state_mutex);
  running = false;
  state_changed.notify_all();
}

void HttpServer::Impl::Wait() {
  {
    std::lock_guard lock(state_mutex);
    if (!running) return;
  }
  net::signal_set signals(io, SIGINT, SIGTERM);
  signals.async_wait([this](beast::error_code error, int) {
    if (error) return;
    std::lock_guard lock(state_mutex);
    stop_requested = true;
    state_changed.notify_all();
  });
  bool stop_here = false;
  {
    std::unique_lock lock(state_mutex);
    state_changed.wait(lock, [this] { return stop_requested || !running; });
    stop_here = running;
  }
  if (stop_here) Stop();
}

HttpServer::HttpServer(WebApplication& app, HostOptions options)
    : impl_(std::make_unique<Impl>(app, std::move(options))) {}

HttpServer::~HttpServer() { Stop(); }

void HttpServer::Start() { impl_->Start(); }
uint16_t HttpServer::port() const { return impl_->plain_port; }
uint16_t HttpServer::tls_port() const { return impl_->secure_port; }
uint16_t HttpServer::metrics_port() const { return impl_->metrics_port; }
void HttpServer::Stop() { impl_->Stop(); }
void HttpServer::Wait() { impl_->Wait(); }

}  // namespace quorax
