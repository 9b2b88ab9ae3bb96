#ifndef QUORAX_HOST_HOST_PAGE_H_
#define QUORAX_HOST_HOST_PAGE_H_

#include <string>

namespace quorax {

// The file name of the host page: every page of the application is this
// address in the configured base directory, with a query naming the page item.
inline constexpr char kHostPageName[] = "Quorax.asp";

// The host page in the server's root directory: "/" followed by its name.
inline std::string HostPageAtRoot() { return std::string("/") + kHostPageName; }

}  // namespace quorax

#endif  // QUORAX_HOST_HOST_PAGE_H_
