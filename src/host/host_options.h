#ifndef QUORAX_HOST_HOST_OPTIONS_H_
#define QUORAX_HOST_HOST_OPTIONS_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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
  // Replaces the server variable "LOCAL_ADDR" when not empty ("HOST[:PORT]").
  std::string public_address;
  // "HOST:PORT" of the listener that serves only GET /metrics; empty for none.
  // Meant for loopback or an internal network: it needs no sign-in.
  std::string metrics_listen;
  // Canonical addresses of proxies whose X-Forwarded-For and
  // X-Forwarded-Proto headers are believed; from any other peer they are
  // ignored.
  std::vector<std::string> trusted_proxies;
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
  size_t db_idle_connections = 32;
  // No page takes more than an upload, which stops at 32,767 bytes; bodies
  // between that and this limit still reach the application's own page.
  size_t max_body = 64 * 1024;
  size_t header_limit = 16 * 1024;
  // Time allowed to receive one whole request once its first byte arrived
  // (and for a new connection's first byte).
  std::chrono::milliseconds read_timeout = std::chrono::seconds(30);
  // Time a kept-alive connection may wait for its next request.
  std::chrono::milliseconds idle_timeout = std::chrono::seconds(60);
  std::chrono::milliseconds write_timeout = std::chrono::seconds(30);
  // Open connections allowed in all and from one client (an IPv4 address or
  // an IPv6 /64). At a limit a new connection sheds the oldest idle one that
  // counts there, or is closed at once when all of those are busy. Per client:
  // 100 testers behind one NAT, with a browser's 6 connections each.
  size_t max_connections = 1000;
  size_t max_connections_per_address = 600;
  // The application's debug mode. Outside it the plain listener serves
  // nothing but the redirect to the HTTPS start page.
  bool debug_mode = false;
  // Receives one access-log line per request (without line end); when empty
  // the lines go to standard error.
  std::function<void(const std::string&)> access_log;
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
