#include "common/spool_file.h"

#include <fcntl.h>
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

size_t SpoolFile::ReadAt(uint64_t offset, char* bytes, size_t size) const {
  size_t held = 0;
  while (held < size) {
    const ssize_t got = pread(fd_, bytes + held, size - held, static_cast<off_t>(offset + held));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      throw PlatformFailure("the spool file " + path_ + " cannot be read: " + std::strerror(errno));
    }
    if (got == 0) break;
    held += static_cast<size_t>(got);
  }
  return held;
}

FileBlocks::FileBlocks(const SpoolFile& file) : block_(64 * 1024, '\0') {
  fd_ = open(file.path().c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    throw PlatformFailure("the spool file " + file.path() +
                          " cannot be read: " + std::strerror(errno));
  }
}

FileBlocks::~FileBlocks() { close(fd_); }

std::string_view FileBlocks::Next() {
  ssize_t got = 0;
  do {
    got = read(fd_, block_.data(), block_.size());
  } while (got < 0 && errno == EINTR);
  return got <= 0 ? std::string_view() : std::string_view(block_.data(), static_cast<size_t>(got));
}

}  // namespace quorax
