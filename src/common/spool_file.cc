#include "common/spool_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/errors.h"

namespace quorax {

namespace {

std::string TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

}  // namespace

SpoolFile::SpoolFile() {
  std::string name = TemporaryFolder() + "/quorax-spool-XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  fd_ = mkstemp(buffer.data());
  if (fd_ < 0) {
    throw PlatformFailure("a spool file cannot be created in " + TemporaryFolder() + ": " +
                          std::strerror(errno));
  }
  path_ = buffer.data();
}

SpoolFile::~SpoolFile() {
  close(fd_);
  unlink(path_.c_str());
}

void SpoolFile::Append(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      throw PlatformFailure("the spool file " + path_ +
                            " cannot be written: " + std::strerror(errno));
    }
    bytes.remove_prefix(static_cast<size_t>(written));
    size_ += static_cast<uint64_t>(written);
  }
}

}  // namespace quorax
