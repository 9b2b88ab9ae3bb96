#include "upload/spooled_form.h"

#include <fstream>

#include "common/errors.h"
#include "common/text.h"

namespace quorax {

namespace {

constexpr size_t kReadBlock = 1024 * 1024;
constexpr size_t kLargestPartHeader = 16 * 1024;
constexpr size_t kLargestDelimiter = 256;

// The body, read a block at a time into `pending`, whose front is consumed.
class BodyReader {
 public:
  explicit BodyReader(const SpoolFile& body) : in_(body.path(), std::ios::binary) {
    if (!in_) throw PlatformFailure("the spooled request cannot be read");
  }

  // Reads one more block; false at the end of the body.
  bool More() {
    if (in_.eof()) return false;
    const size_t had = pending.size();
    pending.resize(had + kReadBlock);
    in_.read(pending.data() + had, static_cast<std::streamsize>(kReadBlock));
    if (in_.bad()) throw PlatformFailure("the spooled request cannot be read");
    pending.resize(had + static_cast<size_t>(in_.gcount()));
    return pending.size() > had;
  }

  // Reads until `text` is in `pending` within its first `limit` bytes and
  // returns where; raises InvalidArgument with `fault` otherwise.
  size_t Find(std::string_view text, size_t limit, const char* fault) {
    for (;;) {
      const size_t at = pending.find(text);
      if (at != std::string::npos && at <= limit) return at;
      if (pending.size() > limit + text.size() || !More()) throw InvalidArgument(fault);
    }
  }

  std::string pending;

 private:
  std::ifstream in_;
};

// The value of attribute `name` ("name", "filename") in a part's header block.
std::string Attribute(std::string_view header, std::string_view name) {
  const std::string key = std::string("; ") + std::string(name) + "=\"";
  const size_t at = header.find(key);
  if (at == std::string_view::npos) return "";
  const size_t start = at + key.size();
  const size_t end = header.find('"', start);
  return end == std::string_view::npos ? "" : std::string(header.substr(start, end - start));
}

// Where a part's content goes: the spool file or a field of bounded size.
struct Sink {
  SpoolFile* file = nullptr;
  std::string* field = nullptr;

  void Take(std::string_view bytes) {
    if (file != nullptr) return file->Append(bytes);
    if (field->size() + bytes.size() > kLargestFormField) {
      throw InvalidArgument("a field of the form is longer than " +
                            std::to_string(kLargestFormField) + " bytes");
    }
    field->append(bytes);
  }
};

// Copies the content of the part at the front of `reader.pending` to `sink`,
// up to `marker`, and consumes it with the marker.
void CopyContent(BodyReader& reader, std::string_view marker, Sink sink) {
  for (;;) {
    const size_t at = reader.pending.find(marker);
    if (at != std::string::npos) {
      sink.Take(std::string_view(reader.pending).substr(0, at));
      reader.pending.erase(0, at + marker.size());
      return;
    }
    // The marker may begin in the bytes kept; none before them holds it.
    const size_t safe = reader.pending.size() - std::min(reader.pending.size(), marker.size());
    sink.Take(std::string_view(reader.pending).substr(0, safe));
    reader.pending.erase(0, safe);
    if (!reader.More()) throw InvalidArgument("the form ends inside one of its parts");
  }
}

}  // namespace

SpooledForm ReadSpooledForm(const SpoolFile& body, const std::string& file_part) {
  BodyReader reader(body);
  const char* not_form = "the request is no multipart form";
  const size_t line_end = reader.Find("\r\n", kLargestDelimiter, not_form);
  const std::string delimiter = reader.pending.substr(0, line_end);
  if (delimiter.size() < 3 || delimiter.compare(0, 2, "--") != 0) throw InvalidArgument(not_form);
  reader.pending.erase(0, line_end + 2);
  const std::string marker = "\r\n" + delimiter;
  SpooledForm form;
  for (;;) {
    const size_t header_end =
        reader.Find("\r\n\r\n", kLargestPartHeader, "a part of the form has no complete header");
    const std::string header = "\r\n" + reader.pending.substr(0, header_end);
    reader.pending.erase(0, header_end + 4);
    const std::string name = Attribute(header, "name");
    Sink sink;
    if (EqualsIgnoreCase(name, file_part) && !form.file) {
      form.file = std::make_unique<SpoolFile>();
      form.file_name = Attribute(header, "filename");
      sink.file = form.file.get();
    } else {
      sink.field = &form.fields[name];
    }
    CopyContent(reader, marker, sink);
    while (reader.pending.size() < 2 && reader.More()) {
    }
    if (reader.pending.compare(0, 2, "--") == 0) break;
    if (reader.pending.compare(0, 2, "\r\n") != 0) throw InvalidArgument(not_form);
    reader.pending.erase(0, 2);
  }
  if (!form.file) {
    throw MissingKey("the request holds no file: the form has no part named \"" + file_part + "\"");
  }
  return form;
}

}  // namespace quorax
