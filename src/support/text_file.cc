#include "support/text_file.h"

#include <cassert>
#include <cerrno>
#include <cstring>

#include "common/errors.h"

namespace quorax {
namespace {

std::string Reason() { return errno != 0 ? std::strerror(errno) : "unknown error"; }

}  // namespace

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
