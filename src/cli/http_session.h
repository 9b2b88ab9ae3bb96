#ifndef QUORAX_CLI_HTTP_SESSION_H_
#define QUORAX_CLI_HTTP_SESSION_H_

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quorax::cli {

// One HTTP response.
struct HttpReply {
  int status = 0;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  // The first header named `name` (any case), or "".
  std::string Header(const std::string& name) const;
};

// The parts of an "http://" or "https://" address.
struct Address {
  bool https = false;
  std::string host;
  std::string port;
  std::string target;  // path and query, at least "/"
};

// Splits `url`. Raises CliFailure (kBadUsage) for another scheme or no host.
Address ParseAddress(const std::string& url);

// How long one request's whole exchange may take unless told otherwise: long
// enough for the server to check the largest piece row by row.
inline constexpr std::chrono::seconds kDefaultExchangeTimeout{300};

// A browser-like HTTP client for one server: each request goes over its own
// connection, and the cookies the server sets are sent back with every later
// request (a cookie set with "Max-Age=0" is dropped). Raises CliFailure
// (kServiceFailed) when the server cannot be reached or the exchange fails,
// when a reply's body would pass `body_limit` bytes (reading stops there),
// and when the exchange, from the name lookup to the answer's last byte,
// takes longer than the timeout: the message names the step that stalled.
class HttpSession {
 public:
  // `server` gives scheme, host and port; `ca_file`, when not empty, is a PEM
  // certificate trusted beside the system's ones; `timeout` bounds each
  // request's exchange.
  HttpSession(const Address& server, const std::string& ca_file,
              std::chrono::seconds timeout = kDefaultExchangeTimeout);
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  HttpReply Get(const std::string& target, uint64_t body_limit);
  HttpReply Post(const std::string& target, const std::string& content_type,
                 const std::string& body, uint64_t body_limit);

 private:
  class Tls;
  HttpReply Exchange(const std::string& method, const std::string& target,
                     const std::string& content_type, const std::string& body, uint64_t body_limit);
  void KeepCookies(const HttpReply& reply);

  Address server_;
  std::chrono::seconds timeout_;
  std::unique_ptr<Tls> tls_;  // nullptr for plain HTTP
  std::map<std::string, std::string> cookies_;
};

}  // namespace quorax::cli

#endif  // QUORAX_CLI_HTTP_SESSION_H_
