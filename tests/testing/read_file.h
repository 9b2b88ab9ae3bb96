#ifndef QUORAX_TESTS_TESTING_READ_FILE_H_
#define QUORAX_TESTS_TESTING_READ_FILE_H_

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quorax::testkit {

// The exact bytes of the file at `path`; "" when it cannot be opened.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace quorax::testkit

#endif  // QUORAX_TESTS_TESTING_READ_FILE_H_
