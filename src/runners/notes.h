#ifndef QUORAX_RUNNERS_NOTES_H_
#define QUORAX_RUNNERS_NOTES_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace quorax::runners {

// The Notes of a failed or untested row: the first non-blank line of `message` (UTF-8), without
// surrounding white space, at most 255 characters (cut to 254 and "…"). Characters Windows-1252
// cannot hold, and malformed bytes, become "?", each counted in `replaced`. The result is UTF-8.
std::string NoteOf(std::string_view message, int32_t& replaced);

// Why a test failed or was not run, in one line: the first line of `message` that is not a runner's
// boilerplate (blank, "=== RUN", "--- FAIL", "FAILED:", the test's own name `test_name`) unless
// the message is a bare status word ("Failed", "Error", "skipped", ...); else the first such line
// of `text` (the failure's body); else the message as it is, trimmed. A message or text that puts
// where before why (GoogleTest's, Boost.Test's) gives why, then "(FILE:LINE)" when a note has room.
std::string ReasonOf(std::string_view message, std::string_view text, std::string_view test_name);

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_NOTES_H_
