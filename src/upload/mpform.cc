#include "upload/mpform.h"

#include <cassert>
#include <cstring>

#include "common/errors.h"
#include "common/int16.h"
#include "common/text.h"

namespace quorax {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kEmptyLine = "\r\n\r\n";

// Returns the 1-based position of the first occurrence of `pattern` in
// `text`, or 0 when there is none. Raises Overflow when that position lies
// beyond 32767. Runs in time linear in the text and the pattern.
int16_t Find16(std::string_view text, std::string_view pattern, std::string_view what) {
  const void* found = memmem(text.data(), text.size(), pattern.data(), pattern.size());
  if (found == nullptr) return 0;
  return ToInt16(static_cast<const char*>(found) - text.data() + 1, what);
}

// The body still to be read: a view of the caller's string from an offset.
// Cutting text off the front only moves the offset; the caller's string is
// shortened once, when the reader goes out of scope (also on an exception).
class BodyReader {
 public:
  explicit BodyReader(std::string& body) : body_(body) {}
  BodyReader(const BodyReader&) = delete;
  BodyReader& operator=(const BodyReader&) = delete;
  ~BodyReader() { body_.erase(0, offset_); }

  std::string_view Rest() const { return std::string_view(body_).substr(offset_); }

  // Removes the first `count - 1` characters, where `count` is a 16-bit sum
  // of a found position and the characters skipped after it (Mid(text, count)).
  void CutBefore(int16_t count) { offset_ += static_cast<size_t>(count) - 1; }

 private:
  std::string& body_;
  size_t offset_ = 0;
};

bool EndsWithTwoDashes(std::string_view line) {
  return line.size() >= 2 && line.substr(line.size() - 2) == "--";
}

}  // namespace

void MPForm::ProcessSubmission(std::string& SrcData) {
  ClearParts();
  BodyReader body(SrcData);

  int16_t first = Find16(body.Rest(), kLineEnd, "the length of the body's first line");
  if (first == 0) return;
  Boundary = std::string(body.Rest().substr(0, static_cast<size_t>(first) - 1));
  body.CutBefore(Add16(first, 2, "the length of the body's first line"));
  const std::string delimiter = std::string(kLineEnd) + Boundary;

  // Views into SrcData stay valid: the string is only shortened on return.
  std::string_view delimiter_line = Boundary;
  while (!EndsWithTwoDashes(delimiter_line)) {
    int16_t b = Find16(body.Rest(), kEmptyLine, "the length of a part's header lines");
    if (b == 0) return;
    std::string_view header_text = body.Rest().substr(0, static_cast<size_t>(b) + 1);
    body.CutBefore(Add16(b, 4, "the length of a part's header lines"));

    int16_t k = Find16(body.Rest(), delimiter, "the length of a part's content");
    if (k == 0) return;
    std::string_view content = body.Rest().substr(0, static_cast<size_t>(k) - 1);
    body.CutBefore(Add16(k, 2, "the length of a part's content"));

    int16_t d = Find16(body.Rest(), kLineEnd, "the length of a delimiter line");
    if (d == 0) return;
    delimiter_line = body.Rest().substr(0, static_cast<size_t>(d) - 1);
    body.CutBefore(Add16(d, 2, "the length of a delimiter line"));

    AddPart(header_text, content);
  }
}

void MPForm::ClearParts() { Parts.Clear(); }

}  // namespace quorax
