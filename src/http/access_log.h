#ifndef QUORAX_HTTP_ACCESS_LOG_H_
#define QUORAX_HTTP_ACCESS_LOG_H_

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

namespace quorax {

// Replaces `line` by the access-log line of one request: client address,
// method, path (the target without its query, so that no query value is
// ever logged), status, body bytes sent and milliseconds. Bytes outside
// printable ASCII become '?' so that a request cannot forge log lines; long
// paths are cut. The line's capacity is reused.
void FormatAccessLogLine(std::string& line, std::string_view client, std::string_view method,
                         std::string_view target, unsigned status, size_t bytes,
                         long long milliseconds);

// Returns the log line of an exception caught in `context` (what was being
// done): "error in " + context + ": " + what() of a std::exception, or
// "unknown exception" for anything else. Bytes outside printable ASCII
// become '?', so that a message cannot forge log lines; long messages are cut.
std::string ErrorLogLine(std::string_view context, const std::exception_ptr& error);

}  // namespace quorax

#endif  // QUORAX_HTTP_ACCESS_LOG_H_
