#include "cli/http_session.h"

#include <openssl/ssl.h>

#include <algorithm>
#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <cctype>
#include <chrono>
#include <regex>

#include "cli/exit_status.h"

namespace quorax::cli {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
namespace ssl = net::ssl;
using tcp = net::ip::tcp;
using Request = http::request<http::string_body>;

// Long enough for the server to check the largest piece row by row.
constexpr std::chrono::seconds kExchangeTimeout{300};

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

template <class Stream>
HttpReply RoundTrip(Stream& stream, Request& request, uint64_t body_limit) {
  http::write(stream, request);
  beast::flat_buffer buffer;
  http::response_parser<http::string_body> parser;
  parser.body_limit(body_limit);
  // The header on its own first: Boost 1.74 drops a Content-Length over the
  // limit unnoticed when body bytes come in the same read.
  http::read_header(stream, buffer, parser);
  http::read(stream, buffer, parser);
  HttpReply reply;
  reply.status = static_cast<int>(parser.get().result_int());
  for (const auto& field : parser.get()) {
    reply.headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
  }
  reply.body = std::move(parser.get().body());
  return reply;
}

}  // namespace

std::string HttpReply::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (SameName(key, name)) return value;
  }
  return "";
}

Address ParseAddress(const std::string& url) {
  static const std::regex pattern(R"(^(https?)://(\[[^\]]+\]|[^/:?#]+)(?::(\d+))?([/?][^#]*)?$)",
                                  std::regex::icase);
  std::smatch match;
  if (!std::regex_match(url, match, pattern)) {
    throw CliFailure(kBadUsage, "the address \"" + url + "\" is not an http:// or https:// URL");
  }
  Address address;
  address.https = SameName(match[1].str(), "https");
  address.host = match[2].str();
  if (address.host.front() == '[') address.host = address.host.substr(1, address.host.size() - 2);
  address.port = match[3].matched ? match[3].str() : (address.https ? "443" : "80");
  address.target = match[4].matched ? match[4].str() : "/";
  if (address.target.front() == '?') address.target.insert(0, "/");
  return address;
}

class HttpSession::Tls {
 public:
  ssl::context context{ssl::context::tls_client};
};

HttpSession::HttpSession(const Address& server, const std::string& ca_file) : server_(server) {
  if (!server_.https) return;
  tls_ = std::make_unique<Tls>();
  try {
    tls_->context.set_default_verify_paths();
    if (!ca_file.empty()) tls_->context.load_verify_file(ca_file);
  } catch (const boost::system::system_error& e) {
    throw CliFailure(kBadUsage, "the certificate file \"" + ca_file +
                                    "\" cannot be used: " + e.code().message());
  }
  tls_->context.set_verify_mode(ssl::verify_peer);
}

HttpSession::~HttpSession() = default;

HttpReply HttpSession::Get(const std::string& target, uint64_t body_limit) {
  return Exchange("GET", target, "", "", body_limit);
}

HttpReply HttpSession::Post(const std::string& target, const std::string& content_type,
                            const std::string& body, uint64_t body_limit) {
  return Exchange("POST", target, content_type, body, body_limit);
}

HttpReply HttpSession::Exchange(const std::string& method, const std::string& target,
                                const std::string& content_type, const std::string& body,
                                uint64_t body_limit) {
  Request request(method == "GET" ? http::verb::get : http::verb::post, target, 11);
  request.set(http::field::host, server_.host + ":" + server_.port);
  request.set(http::field::user_agent, "quorax-cli");
  request.set(http::field::connection, "close");
  std::string cookies;
  for (const auto& [name, value] : cookies_) {
    cookies += (cookies.empty() ? "" : "; ") + name + "=" + value;
  }
  if (!cookies.empty()) request.set(http::field::cookie, cookies);
  if (!content_type.empty()) request.set(http::field::content_type, content_type);
  if (method != "GET") request.body() = body;
  request.prepare_payload();
  HttpReply reply;
  try {
    net::io_context io;
    tcp::resolver resolver(io);
    const auto endpoints = resolver.resolve(server_.host, server_.port);
    if (tls_ == nullptr) {
      beast::tcp_stream stream(io);
      stream.expires_after(kExchangeTimeout);
      stream.connect(endpoints);
      reply = RoundTrip(stream, request, body_limit);
    } else {
      beast::ssl_stream<beast::tcp_stream> stream(io, tls_->context);
      SSL_set_tlsext_host_name(stream.native_handle(), server_.host.c_str());
      stream.set_verify_callback(ssl::host_name_verification(server_.host));
      beast::get_lowest_layer(stream).expires_after(kExchangeTimeout);
      beast::get_lowest_layer(stream).connect(endpoints);
      stream.handshake(ssl::stream_base::client);
      reply = RoundTrip(stream, request, body_limit);
    }
  } catch (const boost::system::system_error& e) {
    if (e.code() == http::error::body_limit) {
      throw CliFailure(kServiceFailed, "the server's answer to " + method + " " + target +
                                           " is over " + std::to_string(body_limit) +
                                           " bytes, more than it can hold for what was sent");
    }
    throw CliFailure(kServiceFailed,
                     "the server " + server_.host + ":" + server_.port +
                         " could not be reached or broke off: " + e.code().message());
  }
  KeepCookies(reply);
  return reply;
}

void HttpSession::KeepCookies(const HttpReply& reply) {
  for (const auto& [name, value] : reply.headers) {
    if (!SameName(name, "Set-Cookie")) continue;
    const std::string pair = value.substr(0, value.find(';'));
    const size_t equals = pair.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = pair.substr(0, equals);
    if (value.find("Max-Age=0") != std::string::npos) {
      cookies_.erase(key);
    } else {
      cookies_[key] = pair.substr(equals + 1);
    }
  }
}

}  // namespace quorax::cli
