#ifndef QUORAX_TESTS_TESTING_HTTP_CLIENT_H_
#define QUORAX_TESTS_TESTING_HTTP_CLIENT_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quorax::testkit {

// A parsed HTTP response.
struct HttpResponse {
  int status = 0;  // 0 when no complete response head arrived
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  // The first header named `name` (any case), or "".
  std::string Header(const std::string& name) const;
  int CountHeader(const std::string& name) const;
};

// A listener on 127.0.0.1: its port and whether it speaks TLS. A bare port
// names a plain listener.
struct Endpoint {
  Endpoint(uint16_t listener_port, bool over_tls = false) : port(listener_port), tls(over_tls) {}
  uint16_t port;
  bool tls;
};

// A blocking TCP client on 127.0.0.1 for talking raw HTTP to the server,
// over TLS when the endpoint says so (the server's certificate is not
// checked: tests make their own). A read gives up when the server stays
// silent for 20 seconds.
class RawClient {
 public:
  // Raises std::runtime_error when nothing accepts on the port or the TLS
  // handshake fails.
  explicit RawClient(Endpoint endpoint);
  ~RawClient();
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  // Returns false when the server has closed the connection.
  bool Send(const std::string& bytes);
  // Reads one response framed by Content-Length; a response to HEAD
  // (`head_only`) has no body whatever its Content-Length says.
  HttpResponse ReadResponse(bool head_only = false);
  // Reads until the server closes; returns what arrived.
  std::string ReadAll();
  // True when the server closes the connection within `limit` (without
  // sending anything more).
  bool ClosedWithin(std::chrono::milliseconds limit);

 private:
  struct Tls;
  bool Fill();  // reads more bytes into pending_; false on close or timeout
  // Waits up to `ms` for bytes to read; true when some are there.
  bool Readable(int ms) const;
  int fd_ = -1;
  std::unique_ptr<Tls> tls_;  // null on a plain connection
  std::string pending_;       // bytes received but not yet returned
};

// Parses a complete response text.
HttpResponse ParseResponse(const std::string& text);

// Sends one request with "Connection: close" over a connection of its own and
// reads the response up to the server's close. `extra_headers` are complete
// lines ending in CR LF; Content-Length is added for a body or a POST.
HttpResponse Request(Endpoint endpoint, const std::string& method, const std::string& target,
                     const std::string& extra_headers = "", const std::string& body = "");

}  // namespace quorax::testkit

#endif  // QUORAX_TESTS_TESTING_HTTP_CLIENT_H_
