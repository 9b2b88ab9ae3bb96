#include "host/error_pages.h"

#include "common/errors.h"

namespace quorax {

unsigned ErrorStatus(const std::exception& error) {
  if (dynamic_cast<const SpoolFull*>(&error) != nullptr) return 507;
  if (dynamic_cast<const PlatformFailure*>(&error) != nullptr) return 500;
  return dynamic_cast<const Error*>(&error) != nullptr ? 400 : 500;
}

Reply ErrorPage(const std::exception_ptr& error, const std::string& start_link) {
  const std::string heading = "The request could not be completed";
  try {
    std::rethrow_exception(error);
  } catch (const Error& e) {
    return RefusalPage(ErrorStatus(e), heading, e.what(), start_link);
  } catch (...) {
    return RefusalPage(500, heading, "The server met an internal error.", start_link);
  }
}

std::string StartLinkFor(std::string_view path) {
  size_t first = path.find_first_not_of("/\\");
  return "/" + std::string(first == std::string_view::npos ? "" : path.substr(first));
}

}  // namespace quorax
