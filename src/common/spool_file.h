#ifndef QUORAX_COMMON_SPOOL_FILE_H_
#define QUORAX_COMMON_SPOOL_FILE_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace quorax {

// Bytes all spool files of the process may hold together until ConfigureSpool
// says otherwise.
inline constexpr uint64_t kDefaultSpoolBytes = 4ULL << 30;

// Makes `folder` (empty: "quorax-spool" in TMPDIR, else /tmp) the folder of
// every spool file made from now on, creating it (mode 0700) when missing,
// removes the spool files in it that no live process holds (left by a server
// that was killed), and lets the spool files of this process hold at most
// `max_bytes` together, those open now included. Without a call the default
// folder is prepared so at the first spool file. Raises PlatformFailure,
// changing nothing, when the folder cannot be made or belongs to another user.
void ConfigureSpool(const std::string& folder, uint64_t max_bytes);

// Bytes the spool files of this process hold now.
uint64_t SpooledBytes();

// A new file of its own in the spool folder (ConfigureSpool), readable only by
// this user, removed when the object goes. It lets a large request body or
// file be kept on disk rather than in memory. While it lives no other
// process's ConfigureSpool removes it.
class SpoolFile {
 public:
  // Creates the empty file. Raises SpoolFull when `expected_bytes` would not
  // fit in the room the spool has left now, PlatformFailure when the file
  // cannot be created.
  explicit SpoolFile(uint64_t expected_bytes = 0);
  ~SpoolFile();
  SpoolFile(const SpoolFile&) = delete;
  SpoolFile& operator=(const SpoolFile&) = delete;

  // Adds `bytes` at the file's end. Raises SpoolFull, the file unchanged,
  // when they would take the spool files past their bytes together or the
  // disk has no room; PlatformFailure when the disk refuses them otherwise.
  void Append(std::string_view bytes);

  const std::string& path() const { return path_; }
  uint64_t size() const { return size_; }

  // Reads up to `size` bytes at `offset` into `bytes` and returns how many there were (fewer at
  // the file's end). Raises PlatformFailure when the file cannot be read.
  size_t ReadAt(uint64_t offset, char* bytes, size_t size) const;

 private:
  std::string path_;
  int fd_ = -1;  // holds an exclusive lock on the file while it lives
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
