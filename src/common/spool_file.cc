#include "common/spool_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "common/errors.h"
#include "common/text.h"

namespace quorax {

namespace {

// Spool files' names begin so: nothing else in the folder is ever removed.
constexpr std::string_view kNamePrefix = "spool-";

constexpr const char* kNoRoom =
    "The server has no room for this file now: the files it is receiving fill the space set "
    "aside for them. Try again in a few minutes, or send the file with the command line "
    "(quorax verify FILE --url ADDRESS --user NAME, or quorax import), which sends it in small "
    "pieces.";

// The spool folder and the budget of the whole process.
struct Spool {
  std::mutex mutex;    // guards folder and folder_fd; held while a file is made
  std::string folder;  // "" until prepared
  int folder_fd = -1;  // open on `folder`
  std::atomic<uint64_t> max_bytes{kDefaultSpoolBytes};
  std::atomic<uint64_t> used{0};  // bytes reserved by the spool files alive
};

Spool& TheSpool() {
  static Spool spool;
  return spool;
}

// The refusal of a file larger than the whole budget, which waiting never helps.
std::string NeverFits() {
  return "The file is larger than the " +
         GroupedNumber(static_cast<long long>(TheSpool().max_bytes.load())) +
         " bytes this server sets aside for files being received, so it never fits here. Send "
         "it with the command line (quorax verify FILE --url ADDRESS --user NAME, or quorax "
         "import), which sends it in small pieces.";
}

// Takes or gives back a lock of flock(2), retrying when a signal interrupts.
void Lock(int fd, int operation) {
  while (flock(fd, operation) != 0 && errno == EINTR) {
  }
}

std::string DefaultFolder() {
  const char* folder = std::getenv("TMPDIR");
  return std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/quorax-spool";
}

// The messages name no folder or file: they may reach a tester's page.
[[noreturn]] void Fail(const char* what, int error) {
  if (error == ENOSPC || error == EDQUOT) throw SpoolFull(kNoRoom);
  throw PlatformFailure(std::string(what) + ": " + std::strerror(error));
}

// Creates `folder` (0700) when missing and opens it. Raises PlatformFailure
// unless it is a folder (not a link) of this user, whose mode becomes 0700.
int OpenFolder(const std::string& folder) {
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    Fail("the spool folder cannot be created", errno);
  }
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) Fail("the spool folder cannot be opened", errno);
  struct stat info {};
  if (fstat(fd, &info) != 0 || info.st_uid != geteuid() ||
      ((info.st_mode & 077) != 0 && fchmod(fd, 0700) != 0)) {
    close(fd);
    throw PlatformFailure(
        "the spool folder belongs to another user or cannot be closed to others; choose a "
        "folder of the server's own user with --spool-dir");
  }
  return fd;
}

// Removes the spool files in the folder open as `folder_fd` that no process
// holds: each live SpoolFile keeps its file locked, and a file is made and
// locked while the folder is locked shared, which this locks exclusively.
void RemoveLeftFiles(int folder_fd) {
  const int listing = fcntl(folder_fd, F_DUPFD_CLOEXEC, 0);
  DIR* dir = listing < 0 ? nullptr : fdopendir(listing);
  if (dir == nullptr) {
    if (listing >= 0) close(listing);
    return;
  }
  Lock(folder_fd, LOCK_EX);
  while (const dirent* entry = readdir(dir)) {
    if (std::string_view(entry->d_name).substr(0, kNamePrefix.size()) != kNamePrefix) continue;
    const int fd = openat(folder_fd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) unlinkat(folder_fd, entry->d_name, 0);
    close(fd);
  }
  Lock(folder_fd, LOCK_UN);
  closedir(dir);
}

// REQUIRES: spool.mutex is held.
void Prepare(Spool& spool, std::string folder) {
  const int fd = OpenFolder(folder);
  RemoveLeftFiles(fd);
  if (spool.folder_fd >= 0) close(spool.folder_fd);
  spool.folder_fd = fd;
  spool.folder = std::move(folder);
}

uint64_t Room() {
  const Spool& spool = TheSpool();
  const uint64_t max = spool.max_bytes.load();
  const uint64_t used = spool.used.load();
  return used < max ? max - used : 0;
}

// Counts `bytes` more against the budget; false, counting nothing, when they
// would pass it.
bool Reserve(uint64_t bytes) {
  Spool& spool = TheSpool();
  uint64_t used = spool.used.load();
  do {
    const uint64_t max = spool.max_bytes.load();
    if (bytes > max || used > max - bytes) return false;
  } while (!spool.used.compare_exchange_weak(used, used + bytes));
  return true;
}

void Release(uint64_t bytes) { TheSpool().used.fetch_sub(bytes); }

}  // namespace

void ConfigureSpool(const std::string& folder, uint64_t max_bytes) {
  Spool& spool = TheSpool();
  std::lock_guard lock(spool.mutex);
  Prepare(spool, folder.empty() ? DefaultFolder() : folder);
  spool.max_bytes = max_bytes;
}

uint64_t SpooledBytes() { return TheSpool().used.load(); }

SpoolFile::SpoolFile(uint64_t expected_bytes) {
  if (expected_bytes > TheSpool().max_bytes) throw SpoolFull(NeverFits());
  if (expected_bytes > Room()) throw SpoolFull(kNoRoom);
  Spool& spool = TheSpool();
  std::lock_guard lock(spool.mutex);
  if (spool.folder_fd < 0) Prepare(spool, DefaultFolder());
  std::string name = spool.folder + "/" + std::string(kNamePrefix) + "XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  Lock(spool.folder_fd, LOCK_SH);
  fd_ = mkostemp(buffer.data(), O_CLOEXEC);
  const int error = errno;
  if (fd_ >= 0) Lock(fd_, LOCK_EX);
  Lock(spool.folder_fd, LOCK_UN);
  if (fd_ < 0) Fail("a spool file cannot be created", error);
  path_ = buffer.data();
}

SpoolFile::~SpoolFile() {
  unlink(path_.c_str());
  close(fd_);
  Release(size_);
}

void SpoolFile::Append(std::string_view bytes) {
  if (!Reserve(bytes.size())) throw SpoolFull(kNoRoom);
  const uint64_t before = size_;
  while (!bytes.empty()) {
    const ssize_t written = write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int error = written < 0 ? errno : EIO;
      // What was written of `bytes` goes again, so that the file is unchanged.
      Release(bytes.size() + (size_ - before));
      size_ = before;
      if (ftruncate(fd_, static_cast<off_t>(before)) != 0 || lseek(fd_, 0, SEEK_END) < 0) {
        Fail("a spool file cannot be written", errno);
      }
      Fail("a spool file cannot be written", error);
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
    if (got < 0) Fail("a spool file cannot be read", errno);
    if (got == 0) break;
    held += static_cast<size_t>(got);
  }
  return held;
}

FileBlocks::FileBlocks(const SpoolFile& file) : block_(64 * 1024, '\0') {
  fd_ = open(file.path().c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) Fail("a spool file cannot be read", errno);
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
