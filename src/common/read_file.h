#ifndef QUORAX_COMMON_READ_FILE_H_
#define QUORAX_COMMON_READ_FILE_H_

#include <cstddef>
#include <optional>
#include <string>

namespace quorax {

// Returns the bytes of the file `name`, unchanged, or only its first
// `max_bytes` when it is longer. Returns nothing when `name` is empty or
// names no regular file (a directory counts as no file). Raises
// PlatformFailure when a regular file cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& name,
                                         size_t max_bytes = std::string::npos);

}  // namespace quorax

#endif  // QUORAX_COMMON_READ_FILE_H_
