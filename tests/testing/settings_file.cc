#include "testing/settings_file.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>

namespace quorax {

namespace {

std::string UniquePath() {
  static std::atomic<int> counter{0};
  return (std::filesystem::temp_directory_path() / ("quorax-web-test-" + std::to_string(getpid()) +
                                                    "-" + std::to_string(++counter) + ".cfg"))
      .string();
}

}  // namespace

SettingsFile::SettingsFile(std::initializer_list<std::string> lines) : path_(UniquePath()) {
  std::ofstream file(path_, std::ios::binary);
  for (const std::string& line : lines) file << line << "\r\n";
}

SettingsFile::~SettingsFile() { std::filesystem::remove(path_); }

std::string SettingsFile::MissingPath() { return UniquePath(); }

}  // namespace quorax
