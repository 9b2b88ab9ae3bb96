#include "http/transport.h"

// Boost 1.74's Asio needs <utility> first under C++20.
#include <utility>

#include <algorithm>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <csignal>
#include <iostream>
#include <thread>
#include <type_traits>
#include <vector>

#include "common/errors.h"
#include "http/forwarded.h"
#include "http/http_connection.h"
#include "http/server_core.h"
#include "http/tls_context.h"

namespace quorax {

namespace {

// Runs `io` until it is stopped. An exception that escapes a handler would end
// the process; it is logged and the loop runs on, so a fault in one
// connection never stops the others.
void RunUntilStopped(net::io_context& io, ServerCore& core) {
  for (;;) {
    try {
      io.run();
      return;
    } catch (const std::exception& e) {
      core.Log(std::string("unexpected fault while serving a connection: ") + e.what());
    }
  }
}

using Tcp = net::ip::tcp;

// How long a stop waits for requests in progress.
constexpr std::chrono::seconds kStopGrace(10);

Tcp::endpoint ResolveListenAddress(net::io_context& io, const ListenAddress& listen) {
  beast::error_code error;
  net::ip::address ip = net::ip::make_address(listen.host, error);
  if (!error) return {ip, listen.port};
  Tcp::resolver resolver(io);
  auto results = resolver.resolve(listen.host, std::to_string(listen.port), error);
  if (error || results.empty()) {
    throw PlatformFailure("cannot listen on " + listen.text + ": unknown host " + listen.host);
  }
  return results.begin()->endpoint();
}

Tcp::acceptor OpenAcceptor(net::io_context& io, const ListenAddress& listen) {
  Tcp::endpoint endpoint = ResolveListenAddress(io, listen);
  Tcp::acceptor acceptor(io);
  beast::error_code error;
  acceptor.open(endpoint.protocol(), error);
  if (!error) acceptor.set_option(net::socket_base::reuse_address(true), error);
  if (!error) acceptor.bind(endpoint, error);
  if (!error) acceptor.listen(net::socket_base::max_listen_connections, error);
  if (error) throw PlatformFailure("cannot listen on " + listen.text + ": " + error.message());
  return acceptor;
}

// The client's address, the key of the per-address connection limit.
std::string ClientAddress(const ConnectionSocket& socket) {
  beast::error_code error;
  Tcp::endpoint remote = socket.remote_endpoint(error);
  return error ? std::string() : CanonicalAddress(remote.address().to_string());
}

}  // namespace

class HttpTransport::Impl {
 public:
  Impl(ServerCore& main_core, int io_count, int worker_count)
      : core(main_core), workers(static_cast<size_t>(worker_count)) {
    for (int i = 0; i < std::max(io_count, 1); ++i)
      ios.push_back(std::make_unique<net::io_context>());
  }

  // The context of the listeners, the signals and the accept retries.
  net::io_context& io() { return *ios.front(); }
  // The context of the next connection: each in turn.
  net::io_context& NextConnectionContext() { return *ios[next_io++ % ios.size()]; }

  // Accepts connections on `acceptor` for the handler of `listener_core`.
  template <class Stream>
  void Accept(Tcp::acceptor& acceptor, ServerCore& listener_core);
  // Closes at once a connection the limits refused (all that count are
  // busy); the access log says how many were refused, once a second at most.
  void RefuseConnection(ConnectionSocket& socket);

  struct Listener {
    Tcp::acceptor acceptor;
    ServerCore& core;
    bool tls;
  };

  ServerCore& core;
  net::thread_pool workers;
  std::optional<net::ssl::context> tls;
  // One I/O context per I/O thread: a connection's steps all run on the
  // thread of its context, in order, with no strand and no scheduler shared
  // with other threads' connections. Declared after everything connections
  // use, so that connections still pending in them are destroyed first.
  std::vector<std::unique_ptr<net::io_context>> ios;
  size_t next_io = 0;  // only touched where accepts start: before Start and on io()
  std::vector<Listener> listeners;
  std::vector<net::executor_work_guard<net::io_context::executor_type>> work;
  std::vector<std::thread> io_threads;

  std::mutex stop_run_mutex;  // held while a stop runs
  std::mutex state_mutex;
  std::condition_variable state_changed;
  bool running = false;
  bool stop_requested = false;
};

template <class Stream>
void HttpTransport::Impl::Accept(Tcp::acceptor& acceptor, ServerCore& listener_core) {
  acceptor.async_accept(NextConnectionContext().get_executor(), [this, &acceptor, &listener_core](
                                                                    beast::error_code error,
                                                                    ConnectionSocket socket) {
    if (error == net::error::operation_aborted || !acceptor.is_open()) return;
    if (error) {
      // Out of descriptors, say: try again shortly rather than spin.
      auto timer = std::make_shared<net::steady_timer>(io(), std::chrono::milliseconds(100));
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

void HttpTransport::Impl::RefuseConnection(ConnectionSocket& socket) {
  beast::error_code error;
  socket.close(error);
  if (size_t refused = core.limits.TakeRefusalsToReport(ConnectionLimits::Clock::now())) {
    core.Log("connection limit reached: refused " + std::to_string(refused) + " connection(s)");
  }
}

HttpTransport::HttpTransport(ServerCore& main, int io_threads, int workers)
    : impl_(std::make_unique<Impl>(main, io_threads, workers)) {}

HttpTransport::~HttpTransport() { Stop(); }

void HttpTransport::Post(std::function<void()> job) { net::post(impl_->workers, std::move(job)); }

uint16_t HttpTransport::Listen(const ListenAddress& address, ServerCore& core,
                               const std::string& tls_cert, const std::string& tls_key) {
  const bool secure = !tls_cert.empty() || !tls_key.empty();
  if (secure) impl_->tls.emplace(MakeTlsContext(tls_cert, tls_key));
  impl_->listeners.push_back({OpenAcceptor(impl_->io(), address), core, secure});
  return impl_->listeners.back().acceptor.local_endpoint().port();
}

void HttpTransport::Start() {
  Impl& impl = *impl_;
  for (Impl::Listener& listener : impl.listeners) {
    if (listener.tls) {
      impl.Accept<TlsStream>(listener.acceptor, listener.core);
    } else {
      impl.Accept<PlainStream>(listener.acceptor, listener.core);
    }
  }
  for (auto& io : impl.ios) {
    impl.work.push_back(net::make_work_guard(*io));
    impl.io_threads.emplace_back([&io = *io, &core = impl.core] { RunUntilStopped(io, core); });
  }
  std::lock_guard lock(impl.state_mutex);
  impl.running = true;
}

void HttpTransport::Stop() {
  Impl& impl = *impl_;
  std::lock_guard stop_lock(impl.stop_run_mutex);
  {
    std::lock_guard lock(impl.state_mutex);
    if (!impl.running) return;
  }
  for (Impl::Listener& listener : impl.listeners) listener.core.stopping = true;
  net::post(impl.io(), [&impl] {
    beast::error_code error;
    for (Impl::Listener& listener : impl.listeners) listener.acceptor.close(error);
  });
  impl.core.WaitIdle(kStopGrace);
  impl.work.clear();
  for (auto& io : impl.ios) io->stop();
  for (auto& thread : impl.io_threads) thread.join();
  impl.io_threads.clear();
  impl.workers.join();
  std::lock_guard lock(impl.state_mutex);
  impl.running = false;
  impl.state_changed.notify_all();
}

void HttpTransport::Wait() {
  Impl& impl = *impl_;
  {
    std::lock_guard lock(impl.state_mutex);
    if (!impl.running) return;
  }
  net::signal_set signals(impl.io(), SIGINT, SIGTERM);
  signals.async_wait([&impl](beast::error_code error, int) {
    if (error) return;
    std::lock_guard lock(impl.state_mutex);
    impl.stop_requested = true;
    impl.state_changed.notify_all();
  });
  bool stop_here = false;
  {
    std::unique_lock lock(impl.state_mutex);
    impl.state_changed.wait(lock, [&impl] { return impl.stop_requested || !impl.running; });
    stop_here = impl.running;
  }
  if (stop_here) Stop();
}

}  // namespace quorax
