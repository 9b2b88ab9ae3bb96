#ifndef QUORAX_WEB_HOST_PAGE_H_
#define QUORAX_WEB_HOST_PAGE_H_

namespace quorax {

// The file name of the host page: every page of the application is this
// address in the configured base directory, with a query naming the page item.
inline constexpr char kHostPageName[] = "Quorax.asp";

}  // namespace quorax

#endif  // QUORAX_WEB_HOST_PAGE_H_
