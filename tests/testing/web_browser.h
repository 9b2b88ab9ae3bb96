#ifndef QUORAX_TESTS_TESTING_WEB_BROWSER_H_
#define QUORAX_TESTS_TESTING_WEB_BROWSER_H_

#include <cstdint>
#include <map>
#include <string>

#include "testing/http_client.h"

namespace quorax::testkit {

// A minimal browser for end-to-end tests: sends each request with Request()
// to the endpoint (plain or TLS) as one following a link or form of the
// site's own pages ("Sec-Fetch-Site: same-origin"), and keeps the cookies the
// server sets (a cookie with "Max-Age=0" is dropped), sending them back as a
// browser does.
// Raises std::runtime_error when the server cannot be reached.
class WebBrowser {
 public:
  explicit WebBrowser(Endpoint endpoint) : endpoint_(endpoint) {}

  HttpResponse Get(const std::string& target);
  HttpResponse Post(const std::string& target, const std::string& content_type,
                    const std::string& body);

  // The value of cookie `name`, or "" when the browser holds none.
  std::string Cookie(const std::string& name) const;
  // Sends cookie `name` with `value` from now on, as a replayed or planted
  // cookie would be.
  void SetCookie(const std::string& name, const std::string& value) { cookies_[name] = value; }

 private:
  HttpResponse Exchange(const std::string& method, const std::string& target,
                        std::string extra_headers, const std::string& body);
  void KeepCookies(const HttpResponse& response);

  Endpoint endpoint_;
  std::map<std::string, std::string> cookies_;
};

}  // namespace quorax::testkit

#endif  // QUORAX_TESTS_TESTING_WEB_BROWSER_H_
