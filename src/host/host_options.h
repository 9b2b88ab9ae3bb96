#ifndef QUORAX_HOST_HOST_OPTIONS_H_
#define QUORAX_HOST_HOST_OPTIONS_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/kept_connection_defaults.h"
#include "common/spool_file.h"
#include "contract/page_contract.h"
#include "http/transport_options.h"

namespace quorax {

// Settings of the HTTP host. Every field may be set directly (tests use
// short timeouts); the command line sets the ones ParseHostOptions names.
struct HostOptions {
  // "HOST:PORT" of the plain listener ("[::1]:8080" for IPv6); empty for none.
  std::string listen = "127.0.0.1:8080";
  // "HOST:PORT" of the TLS listener; empty for none. Needs both PEM files.
  std::string tls_listen;
  std::string tls_cert;
  std::string tls_key;
  // Folder holding the page templates, read once at start.
  std::string templates_dir;
  // "HOST:PORT" of the listener that serves only GET /metrics; empty for none.
  // Meant for loopback or an internal network: it needs no sign-in.
  std::string metrics_listen;
  int threads = 4;     // workers running page handlers
  int io_threads = 2;  // threads running network I/O
  std::chrono::milliseconds session_timeout = std::chrono::minutes(20);
  size_t max_sessions = 10000;
  // Signed-in sessions of one user name; signing in once more ends the least
  // recently used idle one (none while all have a request in progress).
  size_t max_sessions_per_user = 20;
  // Guest sessions (nobody signed in) of one client address; a new one
  // beyond it replaces that address's least recently used idle guest.
  size_t max_guests_per_address = 100;
  // Database connections kept open between the requests of signed-in
  // sessions, one per session at most; 0 connects for every request.
  size_t db_idle_connections = kDefaultKeptConnections;
  // Seconds a kept connection serves after the database last accepted its
  // credentials; then they are checked again, so that a changed password or
  // a withdrawn login ends a signed-in tester's access within this time.
  int db_connection_max_age = static_cast<int>(kDefaultConnectionMaxAge.count());
  // The largest file a browser may send as a run (the application's run
  // item); its body goes to a spool file, never into memory.
  size_t max_run_bytes = contract::kDefaultLargestRunBody;
  // Runs going at once in the whole server; later ones wait their turn.
  // 0: twice the processor cores.
  size_t max_runs = 0;
  // Runs of one login going at once; its later ones wait, and the queue
  // takes the waiting runs of the logins in turn.
  size_t max_runs_per_user = 2;
  // Wall-clock seconds a run may take from its start; then it stops, its
  // rows so far kept.
  int max_run_seconds = 6 * 3600;
  // Folder of the files bodies and runs are written to; the spool files a
  // killed server left there are removed at start.
  // Empty: "quorax-spool" in TMPDIR (else /tmp).
  std::string spool_dir;
  // Bytes all spool files of the server may hold together; a body or run
  // that would pass it is refused with a page saying the server is full.
  uint64_t max_spool_bytes = kDefaultSpoolBytes;
  // Limits, timeouts, proxies and access log of every listener's connections.
  TransportOptions transport;
};

// Returns the command-line usage text of the server, generated from the
// one table of its options (with their defaults).
std::string HostUsage(const std::string& program);

// Reads the options HostUsage lists, each as "--name value" or "--name=value"
// (a later one replaces an earlier one; --trusted-proxy adds to those before),
// over the defaults. For --help or --version sets *reply (when given) to the
// text to print and returns the defaults. Raises InvalidArgument, whose message
// ends with the usage text, for an unknown option, a missing or malformed
// value, or a TLS listener without both PEM files.
HostOptions ParseHostOptions(int argc, char** argv, std::string* reply = nullptr);

// Splits "HOST:PORT" or "[IPV6]:PORT" into host (without brackets) and port.
// Raises InvalidArgument when the host is empty or the port is not 0..65535.
void SplitHostPort(const std::string& text, std::string& host, uint16_t& port);

}  // namespace quorax

#endif  // QUORAX_HOST_HOST_OPTIONS_H_
