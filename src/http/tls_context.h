#ifndef QUORAX_HTTP_TLS_CONTEXT_H_
#define QUORAX_HTTP_TLS_CONTEXT_H_

// Boost 1.74's Asio needs <utility> first under C++20.
#include <utility>

#include <boost/asio/ssl/context.hpp>
#include <string>

namespace quorax {

// Returns a server TLS context (TLS 1.2 or later; TLS 1.2 only with ECDHE
// and AEAD suites, chosen in the server's order) with the certificate
// chain and private key of the given PEM files. Raises PlatformFailure when
// a file cannot be read or the key does not match the certificate.
boost::asio::ssl::context MakeTlsContext(const std::string& cert_file, const std::string& key_file);

}  // namespace quorax

#endif  // QUORAX_HTTP_TLS_CONTEXT_H_
