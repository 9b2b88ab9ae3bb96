#include "common/read_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "common/errors.h"

namespace quorax {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

[[noreturn]] void Fail(const char* action, const std::string& name) {
  const std::string reason = errno != 0 ? std::strerror(errno) : "unknown error";
  throw PlatformFailure("could not " + std::string(action) + " the file \"" + name +
                        "\": " + reason);
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& name, size_t max_bytes) {
  std::error_code error;
  if (name.empty() || !std::filesystem::is_regular_file(name, error)) return std::nullopt;
  errno = 0;
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
  if (!file) Fail("open", name);
  std::string bytes;
  char buffer[1 << 16];
  while (bytes.size() < max_bytes) {
    const size_t wanted = std::min(sizeof buffer, max_bytes - bytes.size());
    const size_t got = std::fread(buffer, 1, wanted, file.get());
    bytes.append(buffer, got);
    if (got < wanted) break;
  }
  if (std::ferror(file.get()) != 0) Fail("read", name);
  return bytes;
}

}  // namespace quorax
