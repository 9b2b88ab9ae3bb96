#include "testing/http_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "common/text.h"

namespace quorax::testkit {
namespace {

constexpr int kReadTimeoutMs = 20000;

struct SslFree {
  void operator()(SSL* ssl) const { SSL_free(ssl); }
  void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};

}  // namespace

// The TLS session over the client's socket.
struct RawClient::Tls {
  std::unique_ptr<SSL_CTX, SslFree> context{SSL_CTX_new(TLS_client_method())};
  std::unique_ptr<SSL, SslFree> ssl{SSL_new(context.get())};
};

std::string HttpResponse::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (EqualsIgnoreCase(key, name)) return value;
  }
  return "";
}

int HttpResponse::CountHeader(const std::string& name) const {
  int count = 0;
  for (const auto& header : headers) count += EqualsIgnoreCase(header.first, name) ? 1 : 0;
  return count;
}

RawClient::RawClient(Endpoint endpoint) {
  const std::string name = "127.0.0.1:" + std::to_string(endpoint.port);
  fd_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(endpoint.port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd_ < 0 || connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (fd_ >= 0) close(fd_);
    throw std::runtime_error("cannot connect to " + name);
  }
  if (!endpoint.tls) return;
  tls_ = std::make_unique<Tls>();
  if (tls_->ssl == nullptr || SSL_set_fd(tls_->ssl.get(), fd_) != 1 ||
      SSL_connect(tls_->ssl.get()) != 1) {
    tls_.reset();
    close(fd_);
    throw std::runtime_error("no TLS handshake with " + name);
  }
}

RawClient::~RawClient() {
  if (fd_ >= 0) close(fd_);
}

bool RawClient::Send(const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const size_t left = bytes.size() - sent;
    ssize_t n = tls_ ? SSL_write(tls_->ssl.get(), bytes.data() + sent, static_cast<int>(left))
                     : send(fd_, bytes.data() + sent, left, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

bool RawClient::Readable(int ms) const {
  if (tls_ && SSL_pending(tls_->ssl.get()) > 0) return true;
  pollfd ready{fd_, POLLIN, 0};
  return poll(&ready, 1, ms) > 0;
}

bool RawClient::Fill() {
  if (!Readable(kReadTimeoutMs)) return false;
  char chunk[16384];
  ssize_t n =
      tls_ ? SSL_read(tls_->ssl.get(), chunk, sizeof chunk) : recv(fd_, chunk, sizeof chunk, 0);
  if (n <= 0) return false;
  pending_.append(chunk, static_cast<size_t>(n));
  return true;
}

HttpResponse RawClient::ReadResponse(bool head_only) {
  size_t header_end;
  while ((header_end = pending_.find("\r\n\r\n")) == std::string::npos) {
    if (!Fill()) return ParseResponse(pending_);
  }
  HttpResponse head = ParseResponse(pending_.substr(0, header_end + 4));
  size_t length =
      head_only ? 0 : static_cast<size_t>(std::stoul("0" + head.Header("Content-Length")));
  while (pending_.size() < header_end + 4 + length && Fill()) {
  }
  HttpResponse response = ParseResponse(pending_.substr(0, header_end + 4 + length));
  pending_.erase(0, header_end + 4 + length);
  return response;
}

std::string RawClient::ReadAll() {
  while (Fill()) {
  }
  return std::exchange(pending_, std::string());
}

bool RawClient::ClosedWithin(std::chrono::milliseconds limit) {
  if (!Readable(static_cast<int>(limit.count()))) return false;
  char byte;
  return (tls_ ? SSL_read(tls_->ssl.get(), &byte, 1) : recv(fd_, &byte, 1, 0)) <= 0;
}

HttpResponse ParseResponse(const std::string& text) {
  HttpResponse response;
  size_t header_end = text.find("\r\n\r\n");
  if (text.rfind("HTTP/1.", 0) != 0 || header_end == std::string::npos) return response;
  response.status = std::stoi(text.substr(9, 3));
  size_t line = text.find("\r\n") + 2;
  while (line < header_end) {
    size_t end = text.find("\r\n", line);
    std::string field = text.substr(line, end - line);
    size_t colon = field.find(':');
    response.headers.emplace_back(field.substr(0, colon),
                                  std::string(TrimSpaces(field.substr(colon + 1))));
    line = end + 2;
  }
  response.body = text.substr(header_end + 4);
  return response;
}

HttpResponse Request(Endpoint endpoint, const std::string& method, const std::string& target,
                     const std::string& extra_headers, const std::string& body) {
  RawClient client(endpoint);
  std::string request = method + " " + target +
                        " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(endpoint.port) + "\r\n" +
                        "Connection: close\r\n" + extra_headers;
  if (!body.empty() || method == "POST") {
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  }
  client.Send(request + "\r\n" + body);
  return ParseResponse(client.ReadAll());
}

}  // namespace quorax::testkit
