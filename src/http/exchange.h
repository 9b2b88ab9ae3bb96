#ifndef QUORAX_HTTP_EXCHANGE_H_
#define QUORAX_HTTP_EXCHANGE_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorax {

class SpoolFile;

// The path of request target `target`: all before its first '?'.
std::string_view TargetPath(std::string_view target);

// The query of request target `target`: all after its first '?', "" without one.
std::string_view TargetQuery(std::string_view target);

// A complete request as read from the network: the one description of a
// request that the guard, the router and the metrics endpoint read.
struct Request {
  std::string method;  // "GET", "POST", ...
  // The target in origin form, split once where it is read (TargetPath,
  // TargetQuery): the path, and the query without its '?' ("" without one).
  std::string path;
  std::string query;
  std::string content_type;
  std::string cookie;  // the Cookie header fields, joined by "; "
  std::string body;
  // The body instead, when the transport wrote it to a file (BodySpooling).
  std::shared_ptr<SpoolFile> body_file;
  // Reached this server over TLS, or through a trusted proxy that says so
  // (ApplyOrigin). The server variable HTTPS, the session cookie's Secure
  // flag, the plain-listener redirect and Strict-Transport-Security follow it.
  bool https = false;
  std::string local_addr;   // host[:port] as the pages name this server
  std::string remote_addr;  // the client's address (ClientOrigin)
  // host[:port] of this server's HTTPS listener as the pages name it.
  std::string secure_addr;
  std::string host;            // the Host header, "" when absent
  std::string origin;          // the Origin header, "" when absent
  std::string referer;         // the Referer header, "" when absent
  std::string sec_fetch_site;  // the Sec-Fetch-Site header, "" when absent
};

// A response as the host sends it, before the headers every response carries.
struct Reply {
  using Headers = std::vector<std::pair<std::string, std::string>>;

  unsigned status = 200;
  Headers headers;
  std::string body;
  // The body instead, when it is a file (a large download): sent from the
  // file a block at a time, never read whole into memory.
  std::shared_ptr<SpoolFile> body_file = nullptr;
  // A probe (health check, metrics scrape), which a load balancer or monitor
  // sends every few seconds: neither access-logged nor counted in metrics.
  bool probe = false;
};

// Answers the requests that connections read. Thread-safe.
class RequestHandler {
 public:
  using Done = std::function<void(Reply)>;

  virtual ~RequestHandler() = default;

  // Answers `request` by calling `done` exactly once, before returning or
  // later on another thread.
  virtual void Handle(Request request, const Done& done) = 0;
};

}  // namespace quorax

#endif  // QUORAX_HTTP_EXCHANGE_H_
