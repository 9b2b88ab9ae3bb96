#include "testing/web_browser.h"

#include "common/text.h"

namespace quorax::testkit {

HttpResponse WebBrowser::Get(const std::string& target) { return Exchange("GET", target, "", ""); }

HttpResponse WebBrowser::Post(const std::string& target, const std::string& content_type,
                              const std::string& body) {
  return Exchange("POST", target, "Content-Type: " + content_type + "\r\n", body);
}

std::string WebBrowser::Cookie(const std::string& name) const {
  const auto found = cookies_.find(name);
  return found == cookies_.end() ? "" : found->second;
}

HttpResponse WebBrowser::Exchange(const std::string& method, const std::string& target,
                                  std::string extra_headers, const std::string& body) {
  extra_headers += "Sec-Fetch-Site: same-origin\r\n";
  std::string cookie_line;
  for (const auto& [name, value] : cookies_) {
    cookie_line += (cookie_line.empty() ? "" : "; ") + name + "=" + value;
  }
  if (!cookie_line.empty()) extra_headers += "Cookie: " + cookie_line + "\r\n";
  HttpResponse response = Request(endpoint_, method, target, extra_headers, body);
  KeepCookies(response);
  return response;
}

void WebBrowser::KeepCookies(const HttpResponse& response) {
  for (const auto& [key, value] : response.headers) {
    if (!EqualsIgnoreCase(key, "Set-Cookie")) continue;
    const std::string pair = value.substr(0, value.find(';'));
    const size_t equals = pair.find('=');
    if (equals == std::string::npos) continue;
    const std::string name(TrimSpaces(pair.substr(0, equals)));
    if (ToUpper(value).find("MAX-AGE=0") != std::string::npos) {
      cookies_.erase(name);
    } else {
      cookies_[name] = pair.substr(equals + 1);
    }
  }
}

}  // namespace quorax::testkit
