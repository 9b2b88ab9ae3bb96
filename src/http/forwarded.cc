#include "http/forwarded.h"

// Boost 1.74's Asio needs <utility> first under C++20.
#include <utility>

#include <algorithm>
#include <boost/asio/ip/address.hpp>

#include "common/text.h"

namespace quorax {

std::string CanonicalAddress(std::string_view text) {
  boost::system::error_code error;
  auto address = boost::asio::ip::make_address(std::string(text), error);
  if (error) return "";
  if (address.is_v6() && address.to_v6().is_v4_mapped()) {
    return boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, address.to_v6())
        .to_string();
  }
  return address.to_string();
}

ClientOrigin OriginOf(const std::string& peer, bool tls, std::string_view forwarded_proto,
                      std::string_view forwarded_for,
                      const std::vector<std::string>& trusted_proxies) {
  ClientOrigin origin{peer, tls};
  if (std::find(trusted_proxies.begin(), trusted_proxies.end(), peer) == trusted_proxies.end()) {
    return origin;
  }
  std::string_view proto = TrimSpaces(forwarded_proto);
  if (EqualsIgnoreCase(proto, "https")) origin.https = true;
  if (EqualsIgnoreCase(proto, "http")) origin.https = false;
  size_t comma = forwarded_for.rfind(',');
  std::string_view last =
      TrimSpaces(comma == std::string_view::npos ? forwarded_for : forwarded_for.substr(comma + 1));
  if (std::string client = CanonicalAddress(last); !client.empty()) origin.address = client;
  return origin;
}

}  // namespace quorax
