#include "database/connection.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>

#include "common/errors.h"
#include "common/windows1252.h"
#include "database/connection_impl.h"
#include "database/provider_error.h"

namespace quorax::db {
namespace {

constexpr const char* kDefaultConnectTimeout = "10";

void DiscardNotice(void*, const char*) {}

// The connect timeout in force for `conn` (seconds; 0 means none), as the
// connection string or our default set it.
int ConnectTimeoutOf(PGconn* conn) {
  int seconds = 0;
  PQconninfoOption* options = PQconninfo(conn);
  if (options == nullptr) return std::atoi(kDefaultConnectTimeout);
  for (PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
    if (std::string(o->keyword) == "connect_timeout" && o->val != nullptr) {
      seconds = std::atoi(o->val);
    }
  }
  PQconninfoFree(options);
  return seconds;
}

// Waits until the socket is ready for what `polling` asks, or until the
// deadline. Returns false when the deadline passed.
bool WaitForSocket(PGconn* conn, PostgresPollingStatusType polling,
                   std::chrono::steady_clock::time_point deadline, bool has_deadline) {
  pollfd fd{PQsocket(conn), static_cast<short>(polling == PGRES_POLLING_READING ? POLLIN : POLLOUT),
            0};
  for (;;) {
    int wait_ms = -1;
    if (has_deadline) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      wait_ms = static_cast<int>(left.count());
    }
    const int ready = poll(&fd, 1, wait_ms);
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) return true;  // let the library report the socket's failure
  }
}

// Drives a started connection attempt to its end. Returns an empty string when
// the connection is open, otherwise the client library's error message.
std::string CompleteConnection(PGconn* conn) {
  const int timeout = ConnectTimeoutOf(conn);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout);
  PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
  while (polling != PGRES_POLLING_OK) {
    if (polling == PGRES_POLLING_FAILED) return PQerrorMessage(conn);
    if (!WaitForSocket(conn, polling, deadline, timeout > 0)) return "timeout expired";
    polling = PQconnectPoll(conn);
  }
  return "";
}

}  // namespace

void ConnectionFree::operator()(pg_conn* conn) const { PQfinish(conn); }

SocketTwin::SocketTwin(int socket) : socket_(socket < 0 ? -1 : fcntl(socket, F_DUPFD_CLOEXEC, 0)) {}

SocketTwin::~SocketTwin() {
  if (socket_ >= 0) close(socket_);
}

void SocketTwin::ShutDown() const {
  if (socket_ >= 0) shutdown(socket_, SHUT_RDWR);
}

Connection::Impl::~Impl() { Replace(nullptr); }

void Connection::Impl::Replace(PgConnection next) {
  std::lock_guard lock(abandon_mutex);
  // The old connection ends before its twin, so that the client library's
  // goodbye still reaches the server.
  conn = std::move(next);
  twin = conn == nullptr ? nullptr : std::make_unique<SocketTwin>(PQsocket(conn.get()));
  if (abandoned && twin != nullptr) twin->ShutDown();
}

void Connection::Impl::Fail(ProviderError error) {
  errors.assign(1, std::move(error));
  RaiseProviderError(errors.front());
}

Connection::Connection() : impl_(std::make_unique<Impl>()) {}

Connection::~Connection() = default;

void Connection::Open(const std::string& ConnectionString, const std::string& UserID,
                      const std::string& Password) {
  if (State() == 1) throw PlatformFailure("The connection is already open.");
  impl_->Replace(nullptr);
  impl_->prepared.clear();
  impl_->errors.clear();
  {
    std::lock_guard lock(impl_->abandon_mutex);
    if (impl_->abandoned) impl_->Fail(ConnectionFailure("the work it served was stopped"));
  }
  // An empty value would make the client library fall back to the
  // environment or a password file, signing in with someone else's
  // credentials; a NUL byte would cut the value short.
  if (UserID.empty() || Password.empty() || UserID.find('\0') != std::string::npos ||
      Password.find('\0') != std::string::npos) {
    impl_->Fail(MakeProviderError("28000", "a user name and a password are required"));
  }
  const std::string dsn = Utf8FromWindows1252(ConnectionString);
  const std::string user = Utf8FromWindows1252(UserID);
  const std::string password = Utf8FromWindows1252(Password);
  // Later entries override what the connection string says; the first two
  // are defaults that it may change.
  const char* keywords[] = {"application_name",
                            "connect_timeout",
                            "dbname",
                            "client_encoding",
                            "user",
                            "password",
                            nullptr};
  const char* values[] = {"quorax",     kDefaultConnectTimeout, dsn.c_str(), "UTF8",
                          user.c_str(), password.c_str(),       nullptr};
  PgConnection conn(PQconnectStartParams(keywords, values, 1));
  if (conn == nullptr) impl_->Fail(MakeProviderError("", "out of memory"));
  PQsetErrorVerbosity(conn.get(), PQERRORS_VERBOSE);
  PQsetNoticeProcessor(conn.get(), DiscardNotice, nullptr);
  const std::string failure = PQstatus(conn.get()) == CONNECTION_BAD
                                  ? PQerrorMessage(conn.get())
                                  : CompleteConnection(conn.get());
  if (!failure.empty()) impl_->Fail(ConnectionFailure(failure));
  impl_->Replace(std::move(conn));
}

int32_t Connection::State() const {
  PGconn* conn = impl_->conn.get();
  if (conn == nullptr || PQstatus(conn) != CONNECTION_OK) return 0;
  // Reading what has arrived notices a server that closed the connection.
  if (PQconsumeInput(conn) == 0 || PQstatus(conn) != CONNECTION_OK) return 0;
  return 1;
}

bool Connection::Reusable() const {
  PGconn* conn = impl_->conn.get();
  if (conn == nullptr || PQstatus(conn) != CONNECTION_OK ||
      PQtransactionStatus(conn) != PQTRANS_IDLE) {
    return false;
  }
  pollfd fd{PQsocket(conn), POLLIN, 0};
  return poll(&fd, 1, 0) == 0;
}

const std::vector<ProviderError>& Connection::Errors() const { return impl_->errors; }

void Connection::ClearErrors() { impl_->errors.clear(); }

void Connection::Close() {
  if (impl_->conn == nullptr) throw PlatformFailure("The connection is not open.");
  impl_->Replace(nullptr);
  impl_->prepared.clear();
}

void Connection::Abandon() {
  std::lock_guard lock(impl_->abandon_mutex);
  impl_->abandoned = true;
  if (impl_->twin != nullptr) impl_->twin->ShutDown();
}

}  // namespace quorax::db
