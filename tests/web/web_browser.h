#ifndef QUORAX_TESTS_WEB_WEB_BROWSER_H_
#define QUORAX_TESTS_WEB_WEB_BROWSER_H_

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quorax {

// One HTTP response as it arrived.
struct WebResponse {
  int status = 0;  // 0 when no complete response head arrived
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;  // every byte after the head, up to the server's close

  // The first header named `name` (any case), or "".
  std::string Header(const std::string& name) const;
  int CountHeader(const std::string& name) const;
};

// A minimal browser for end-to-end tests: sends each request over its own
// connection to 127.0.0.1:`port` and keeps the cookies the server sets (a
// cookie with "Max-Age=0" is dropped), sending them back as a browser does.
// Raises std::runtime_error when the server cannot be reached.
class WebBrowser {
 public:
  explicit WebBrowser(uint16_t port) : port_(port) {}

  WebResponse Get(const std::string& target);
  WebResponse Post(const std::string& target, const std::string& content_type,
                   const std::string& body);

  // The value of cookie `name`, or "" when the browser holds none.
  std::string Cookie(const std::string& name) const;
  // Sends cookie `name` with `value` from now on, as a replayed or planted
  // cookie would be.
  void SetCookie(const std::string& name, const std::string& value) { cookies_[name] = value; }

 private:
  WebResponse Exchange(const std::string& method, const std::string& target,
                       const std::string& extra_headers, const std::string& body);
  void KeepCookies(const WebResponse& response);

  uint16_t port_;
  std::map<std::string, std::string> cookies_;
};

}  // namespace quorax

#endif  // QUORAX_TESTS_WEB_WEB_BROWSER_H_
