#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/errors.h"
#include "host/test_server.h"
#include "testing/http_client.h"
#include "testing/self_signed.h"
#include "testing/temp_dir.h"

namespace quorax {
namespace {

using testkit::HttpResponse;
using testkit::MakeSelfSigned;
using testkit::Request;

template <class T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using Context = std::unique_ptr<SSL_CTX, Deleter<SSL_CTX, SSL_CTX_free>>;
using Connection = std::unique_ptr<SSL, Deleter<SSL, SSL_free>>;

// The suite a TLS 1.2 handshake offering only `ciphers` agrees on, or ""
// when the server refuses every one of them.
std::string Tls12Suite(uint16_t port, const char* ciphers) {
  Context context(SSL_CTX_new(TLS_client_method()));
  SSL_CTX_set_max_proto_version(context.get(), TLS1_2_VERSION);
  if (SSL_CTX_set_cipher_list(context.get(), ciphers) != 1) return "";
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string suite;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    Connection ssl(SSL_new(context.get()));
    SSL_set_fd(ssl.get(), fd);
    if (SSL_connect(ssl.get()) == 1) suite = SSL_get_cipher_name(ssl.get());
  }
  close(fd);
  return suite;
}

class TlsServerTest : public ::testing::Test {
 protected:
  void SetUp() override { MakeSelfSigned(dir_.Path("cert.pem"), dir_.Path("key.pem")); }

  void UseTls(HostOptions& options) {
    options.tls_listen = "127.0.0.1:0";
    options.tls_cert = dir_.Path("cert.pem");
    options.tls_key = dir_.Path("key.pem");
  }

  testkit::TempDir dir_;
};

TEST_F(TlsServerTest, ServesBothListenersWithSchemeVariables) {
  TestServer server([&](HostOptions& options) { UseTls(options); });
  ASSERT_NE(server.tls_port(), 0);
  HttpResponse secure = Request({server.tls_port(), true}, "GET", "/Quorax.asp?WCI=Echo&WCU=");
  EXPECT_EQ(secure.status, 200);
  EXPECT_NE(secure.body.find("|https=on|local=127.0.0.1:" + std::to_string(server.tls_port())),
            std::string::npos);
  EXPECT_NE(secure.Header("Set-Cookie").find("; Secure"), std::string::npos);
  EXPECT_EQ(secure.Header("Strict-Transport-Security"), "max-age=31536000");

  HttpResponse plain = Request(server.port(), "GET", "/Quorax.asp?WCI=Echo&WCU=");
  EXPECT_NE(plain.body.find("|https=off|"), std::string::npos);
  EXPECT_EQ(plain.CountHeader("Strict-Transport-Security"), 0);
}

TEST_F(TlsServerTest, LargeReplyArrivesWholeOnBothListeners) {
  TestServer server([&](HostOptions& options) { UseTls(options); });
  const std::string target = "/Quorax.asp?WCI=Large&WCU=&n=1200000";
  HttpResponse secure = Request({server.tls_port(), true}, "GET", target);
  HttpResponse plain = Request(server.port(), "GET", target);
  EXPECT_EQ(secure.status, 200);
  EXPECT_EQ(secure.body.size(), 1200000u);
  EXPECT_TRUE(secure.body == plain.body);
  std::vector<std::string> log = server.LogLines();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_NE(log[0].find(" 200 1200000 "), std::string::npos) << log[0];
}

TEST_F(TlsServerTest, PlainListenerOutsideDebugModeOnlyRedirectsToHttps) {
  TestServer server([&](HostOptions& options) { UseTls(options); });
  server.app().serves_plain = false;
  const std::string secure = "https://127.0.0.1:" + std::to_string(server.tls_port());
  struct Case {
    const char* method;
    const char* target;
    std::string location;
  };
  for (const Case& c :
       {Case{"GET", "/Quorax.asp?s=1", secure + "/Quorax.asp"},
        Case{"POST", "/results/quorax.ASP?WCI=Echo&WCU=", secure + "/results/quorax.ASP"},
        Case{"GET", "/", secure + "/Quorax.asp"},
        Case{"PUT", "/nothing", secure + "/Quorax.asp"}}) {
    HttpResponse response = Request(server.port(), c.method, c.target);
    EXPECT_EQ(response.status, 302) << c.target;
    EXPECT_EQ(response.Header("Location"), c.location);
    EXPECT_EQ(response.CountHeader("Set-Cookie"), 0);
  }
  EXPECT_EQ(server.app().calls, 0);
  HttpResponse served = Request({server.tls_port(), true}, "GET", "/Quorax.asp");
  EXPECT_EQ(served.status, 200);
  EXPECT_EQ(served.Header("Strict-Transport-Security"), "max-age=31536000");
}

TEST_F(TlsServerTest, Tls12OffersOnlyForwardSecretAeadSuitesInServerOrder) {
  TestServer server([&](HostOptions& options) { UseTls(options); });
  struct Case {
    const char* offered;
    const char* agreed;
  };
  for (const Case& c : {Case{"ECDHE-ECDSA-AES128-GCM-SHA256", "ECDHE-ECDSA-AES128-GCM-SHA256"},
                        Case{"ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-ECDSA-AES128-GCM-SHA256",
                             "ECDHE-ECDSA-AES128-GCM-SHA256"},
                        Case{"ECDHE-ECDSA-AES128-SHA", ""}, Case{"ECDHE-ECDSA-AES256-SHA384", ""},
                        Case{"AES128-SHA", ""}, Case{"AES128-GCM-SHA256", ""}}) {
    EXPECT_EQ(Tls12Suite(server.tls_port(), c.offered), c.agreed) << c.offered;
  }
}

TEST_F(TlsServerTest, UnusableKeyFailsAtStart) {
  std::filesystem::path empty = dir_.Path("empty.pem");
  std::FILE* file = std::fopen(empty.c_str(), "w");
  std::fclose(file);
  EXPECT_THROW(TestServer([&](HostOptions& options) {
                 options.tls_listen = "127.0.0.1:0";
                 options.tls_cert = dir_.Path("cert.pem");
                 options.tls_key = empty.string();
               }),
               PlatformFailure);
}

TEST(HttpServerStartTest, PortInUseFailsAtStart) {
  TestServer first;
  EXPECT_THROW(TestServer([&](HostOptions& options) {
                 options.listen = "127.0.0.1:" + std::to_string(first.port());
               }),
               PlatformFailure);
}

}  // namespace
}  // namespace quorax
