#include "host/tls_context.h"

#include "common/errors.h"

namespace quorax {

boost::asio::ssl::context MakeTlsContext(const std::string& cert_file,
                                         const std::string& key_file) {
  namespace ssl = boost::asio::ssl;
  ssl::context context(ssl::context::tls_server);
  context.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                      ssl::context::no_sslv3 | ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1 |
                      ssl::context::single_dh_use);
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
