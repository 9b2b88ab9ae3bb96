#include "host/connection.h"

namespace quorax {

std::string LocalAddress(const net::ip::tcp::endpoint& local, bool tls) {
  net::ip::address address = local.address();
  std::string text;
  if (address.is_v6() && address.to_v6().is_v4_mapped()) {
    text = net::ip::make_address_v4(net::ip::v4_mapped, address.to_v6()).to_string();
  } else if (address.is_v6()) {
    // Appended piecewise: GCC 12 at -O3 warns falsely on "[" + string&&.
    text.append("[").append(address.to_string()).append("]");
  } else {
    text = address.to_string();
  }
  if (local.port() != (tls ? 443 : 80)) text += ":" + std::to_string(local.port());
  return text;
}

bool IsHttpParseError(const beast::error_code& error) {
  return &error.category() == &http::make_error_code(http::error::bad_method).category();
}

}  // namespace quorax
