#include "support/text_file.h"

#include <cassert>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/errors.h"

namespace quorax {
namespace {

std::string Reason() { return errno != 0 ? std::strerror(errno) : "unknown error"; }

}  // namespace

bool FileExists(const std::string& name) {
  if (name.empty()) return false;
  std::error_code error;
  return std::filesystem::is_regular_file(name, error);
}

std::string ReadFilePrefix(const std::string& name, size_t max_chars) {
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) {
    throw PlatformFailure("could not open the file \"" + name + "\": " + Reason());
  }
  std::string text(max_chars, '\0');
  size_t got = std::fread(text.data(), 1, max_chars, file.get());
  if (std::ferror(file.get()) != 0) {
    throw PlatformFailure("could not read the file \"" + name + "\": " + Reason());
  }
  text.resize(got);
  return text;
}

TextFileWriter::TextFileWriter(const std::string& name) : name_(name) {
  errno = 0;
  file_.reset(std::fopen(name.c_str(), "wb"));
  if (!file_) Fail("create");
}

void TextFileWriter::WriteLine(std::string_view text) {
  assert(file_);
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size() ||
      std::fwrite("\r\n", 1, 2, file_.get()) != 2) {
    Fail("write to");
  }
}

void TextFileWriter::Flush() {
  assert(file_);
  errno = 0;
  if (std::fflush(file_.get()) != 0) Fail("write to");
}

void TextFileWriter::Close() {
  assert(file_);
  errno = 0;
  if (std::fclose(file_.release()) != 0) Fail("close");
}

void TextFileWriter::Fail(std::string_view action) const {
  throw PlatformFailure("could not " + std::string(action) + " the file \"" + name_ +
                        "\": " + Reason());
}

}  // namespace quorax
