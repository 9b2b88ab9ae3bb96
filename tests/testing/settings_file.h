#ifndef QUORAX_TESTS_TESTING_SETTINGS_FILE_H_
#define QUORAX_TESTS_TESTING_SETTINGS_FILE_H_

#include <initializer_list>
#include <string>

namespace quorax {

// A settings file in the temporary directory, removed again on destruction.
// Each call gets a name of its own, so tests may run in parallel.
class SettingsFile {
 public:
  // Writes `lines`, each followed by CR LF.
  explicit SettingsFile(std::initializer_list<std::string> lines);
  ~SettingsFile();
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;

  const std::string& path() const { return path_; }

  // A path in the temporary directory at which no file exists.
  static std::string MissingPath();

 private:
  std::string path_;
};

}  // namespace quorax

#endif  // QUORAX_TESTS_TESTING_SETTINGS_FILE_H_
