#ifndef QUORAX_TESTS_TESTING_TEMP_DIR_H_
#define QUORAX_TESTS_TESTING_TEMP_DIR_H_

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "testing/read_file.h"

namespace quorax::testkit {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes away.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorax-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory itself.
  const std::filesystem::path& root() const { return path_; }

  // The path of `name` inside the directory.
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

  bool IsEmpty() const { return std::filesystem::is_empty(path_); }

  // Writes `bytes` to `name` exactly, replacing any earlier content.
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }

  // The exact bytes of `name`.
  std::string Read(const std::string& name) const { return ReadFile(Path(name)); }

 private:
  std::filesystem::path path_;
};

}  // namespace quorax::testkit

#endif  // QUORAX_TESTS_TESTING_TEMP_DIR_H_
