#include "testing/web_browser.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "common/text.h"

namespace quorax {
namespace {

constexpr int kReadTimeoutMs = 20000;

// A connected loopback socket, closed on destruction.
class Socket {
 public:
  explicit Socket(uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      throw std::runtime_error("cannot connect to 127.0.0.1:" + std::to_string(port));
    }
  }
  ~Socket() {
    if (fd_ >= 0) close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  void SendAll(const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
      const ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) throw std::runtime_error("the server stopped reading the request");
      sent += static_cast<size_t>(n);
    }
  }

  // Everything the server sends until it closes (or stays silent too long).
  std::string ReceiveAll() {
    std::string received;
    char chunk[16384];
    pollfd ready{fd_, POLLIN, 0};
    while (poll(&ready, 1, kReadTimeoutMs) > 0) {
      const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      received.append(chunk, static_cast<size_t>(n));
    }
    return received;
  }

 private:
  int fd_;
};

WebResponse Parse(const std::string& text) {
  WebResponse response;
  const size_t head_end = text.find("\r\n\r\n");
  if (text.rfind("HTTP/1.", 0) != 0 || head_end == std::string::npos) return response;
  response.status = std::stoi(text.substr(9, 3));
  for (size_t line = text.find("\r\n") + 2; line < head_end;) {
    const size_t end = text.find("\r\n", line);
    const std::string field = text.substr(line, end - line);
    const size_t colon = field.find(':');
    response.headers.emplace_back(field.substr(0, colon),
                                  std::string(TrimSpaces(field.substr(colon + 1))));
    line = end + 2;
  }
  response.body = text.substr(head_end + 4);
  return response;
}

}  // namespace

std::string WebResponse::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (EqualsIgnoreCase(key, name)) return value;
  }
  return "";
}

int WebResponse::CountHeader(const std::string& name) const {
  int count = 0;
  for (const auto& header : headers) count += EqualsIgnoreCase(header.first, name) ? 1 : 0;
  return count;
}

WebResponse WebBrowser::Get(const std::string& target) { return Exchange("GET", target, "", ""); }

WebResponse WebBrowser::Post(const std::string& target, const std::string& content_type,
                             const std::string& body) {
  return Exchange("POST", target,
                  "Content-Type: " + content_type +
                      "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n",
                  body);
}

std::string WebBrowser::Cookie(const std::string& name) const {
  const auto found = cookies_.find(name);
  return found == cookies_.end() ? "" : found->second;
}

WebResponse WebBrowser::Exchange(const std::string& method, const std::string& target,
                                 const std::string& extra_headers, const std::string& body) {
  std::string request = method + " " + target +
                        " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                        "\r\nConnection: close\r\n" + extra_headers;
  std::string cookie_line;
  for (const auto& [name, value] : cookies_) {
    cookie_line += (cookie_line.empty() ? "" : "; ") + name + "=" + value;
  }
  if (!cookie_line.empty()) request += "Cookie: " + cookie_line + "\r\n";
  Socket connection(port_);
  connection.SendAll(request + "\r\n" + body);
  WebResponse response = Parse(connection.ReceiveAll());
  KeepCookies(response);
  return response;
}

void WebBrowser::KeepCookies(const WebResponse& response) {
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

}  // namespace quorax
