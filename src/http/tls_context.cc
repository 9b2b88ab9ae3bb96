#include "http/tls_context.h"

#include <openssl/ssl.h>

#include "common/errors.h"

namespace quorax {

namespace {

constexpr const char* kTls12Ciphers =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
    "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
    "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305";

}  // namespace

boost::asio::ssl::context MakeTlsContext(const std::string& cert_file,
                                         const std::string& key_file) {
  namespace ssl = boost::asio::ssl;
  ssl::context context(ssl::context::tls_server);
  context.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                      ssl::context::no_sslv3 | ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1 |
                      ssl::context::single_dh_use);
  // TLS 1.2 offers only forward-secret key exchange with authenticated
  // encryption, in the server's order; TLS 1.3 suites are OpenSSL's own.
  SSL_CTX_set_options(context.native_handle(), SSL_OP_CIPHER_SERVER_PREFERENCE);
  if (SSL_CTX_set_cipher_list(context.native_handle(), kTls12Ciphers) != 1) {
    throw PlatformFailure("cannot set the TLS 1.2 cipher suites");
  }
  boost::system::error_code error;
  context.use_certificate_chain_file(cert_file, error);
  if (error) {
    throw PlatformFailure("cannot use TLS certificate " + cert_file + ": " + error.message());
  }
  context.use_private_key_file(key_file, ssl::context::pem, error);
  if (error) throw PlatformFailure("cannot use TLS key " + key_file + ": " + error.message());
  return context;
}

}  // namespace quorax
