#ifndef QUORAX_COMMON_SPOOL_FILE_H_
#define QUORAX_COMMON_SPOOL_FILE_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace quorax {

// A new file of its own in the system's temporary folder (TMPDIR, else
// /tmp), readable only by this user, removed when the object goes. It lets
// a large request body or file be kept on disk rather than in memory.
class SpoolFile {
 public:
  // Creates the empty file. Raises PlatformFailure when it cannot.
  SpoolFile();
  ~SpoolFile();
  SpoolFile(const SpoolFile&) = delete;
  SpoolFile& operator=(const SpoolFile&) = delete;

  // Adds `bytes` at the file's end. Raises PlatformFailure when the disk
  // refuses them (full, say).
  void Append(std::string_view bytes);

  const std::string& path() const { return path_; }
  uint64_t size() const { return size_; }

  // Reads up to `size` bytes at `offset` into `bytes` and returns how many there were (fewer at
  // the file's end). Raises PlatformFailure when the file cannot be read.
  size_t ReadAt(uint64_t offset, char* bytes, size_t size) const;

 private:
  std::string path_;
  int fd_ = -1;
  uint64_t size_ = 0;
};

// Reads a spool file from its start a block at a time.
class FileBlocks {
 public:
  // Raises PlatformFailure when the file cannot be opened.
  explicit FileBlocks(const SpoolFile& file);
  ~FileBlocks();
  FileBlocks(const FileBlocks&) = delete;
  FileBlocks& operator=(const FileBlocks&) = delete;

  // The next block, valid until the next call; empty at the end (or when
  // the file cannot be read further, which then ends the body early).
  std::string_view Next();

 private:
  int fd_ = -1;
  std::string block_;
};

}  // namespace quorax

#endif  // QUORAX_COMMON_SPOOL_FILE_H_
