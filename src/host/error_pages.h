#ifndef QUORAX_HOST_ERROR_PAGES_H_
#define QUORAX_HOST_ERROR_PAGES_H_

#include <exception>
#include <string>
#include <string_view>

#include "http/pages.h"

namespace quorax {

// The status that answers an error that left a handler: 507 for a full
// spool, 500 for another platform failure, 400 for every other error of the
// system's hierarchy (input errors), 500 for anything else.
unsigned ErrorStatus(const std::exception& error);

// The error page for an error that left a handler, with ErrorStatus: the
// error's message for errors of the system's hierarchy, a generic text for
// anything else.
Reply ErrorPage(const std::exception_ptr& error, const std::string& start_link);

// Returns the start page address for a request to `path`: the path itself,
// with leading slashes and backslashes reduced to one slash so that it
// never names another host.
std::string StartLinkFor(std::string_view path);

}  // namespace quorax

#endif  // QUORAX_HOST_ERROR_PAGES_H_
