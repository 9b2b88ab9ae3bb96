#include "http/limit_key.h"

// Boost 1.74's Asio needs <utility> first under C++20.
#include <utility>

#include <algorithm>
#include <boost/asio/ip/address.hpp>

namespace quorax {

std::string LimitKey(std::string_view address) {
  // Digits and dots are either an IPv4 address in its one written form,
  // which is its own key, or no address, kept as it is: the same either way.
  if (address.find_first_not_of("0123456789.") == std::string_view::npos) {
    return std::string(address);
  }
  namespace ip = boost::asio::ip;
  boost::system::error_code error;
  ip::address parsed = ip::make_address(std::string(address), error);
  if (error) return std::string(address);
  if (parsed.is_v4()) return parsed.to_string();
  ip::address_v6 v6 = parsed.to_v6();
  if (v6.is_v4_mapped()) return ip::make_address_v4(ip::v4_mapped, v6).to_string();
  ip::address_v6::bytes_type bytes = v6.to_bytes();
  std::fill(bytes.begin() + 8, bytes.end(), 0);
  return ip::address_v6(bytes).to_string() + "/64";
}

}  // namespace quorax
