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

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_NOTES_H_
