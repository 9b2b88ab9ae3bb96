#ifndef QUORAX_WEB_ANSWER_STATUS_H_
#define QUORAX_WEB_ANSWER_STATUS_H_

#include <string>

#include "host/web_host.h"

namespace quorax {

// Marks the response with the contract's status `token` and, when not
// empty, `reason` as one header-safe line. Call before End.
void MarkAnswer(WebHost& host, const char* token, const std::string& reason = "");

}  // namespace quorax

#endif  // QUORAX_WEB_ANSWER_STATUS_H_
