#ifndef QUORAX_SUPPORT_TEXT_FILE_H_
#define QUORAX_SUPPORT_TEXT_FILE_H_

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace quorax {

// Writing of the settings file and the log file. Files are single-byte
// text: bytes pass through unchanged.

// A text file created anew (an existing file is overwritten) and written line
// by line. Closing happens in Close(), which reports failure, or else in the
// destructor, which cannot.
class TextFileWriter {
 public:
  // Creates or truncates `name`. Raises PlatformFailure when it cannot.
  explicit TextFileWriter(const std::string& name);

  TextFileWriter(const TextFileWriter&) = delete;
  TextFileWriter& operator=(const TextFileWriter&) = delete;

  // Writes `text` followed by CR LF. Raises PlatformFailure on failure.
  void WriteLine(std::string_view text);

  // Hands everything written so far to the operating system. Raises
  // PlatformFailure on failure.
  void Flush();

  // Flushes and closes the file. Raises PlatformFailure on failure.
  // REQUIRES: not closed yet.
  void Close();

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  [[noreturn]] void Fail(std::string_view action) const;

  std::string name_;
  std::unique_ptr<std::FILE, FileCloser> file_;
};

}  // namespace quorax

#endif  // QUORAX_SUPPORT_TEXT_FILE_H_
