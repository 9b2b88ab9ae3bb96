#include <cassert>
#include <memory>
#include <string>

#include "common/errors.h"
#include "common/text.h"
#include "upload/mpform.h"

namespace quorax {
namespace {

// Adds the attributes of a Content-Disposition value: each ";"-separated
// piece (empty ones included) is either name=value, whose value loses its
// first and last characters (normally the quotes), or a bare word stored with
// the item "(Present)". A NAME attribute also sets the part's Name.
void AddAttributes(FormPart& part, std::string_view value) {
  size_t start = 0;
  for (;;) {
    size_t end = value.find(';', start);
    std::string_view piece = value.substr(start, end == std::string_view::npos ? end : end - start);
    size_t equals = piece.find('=');
    if (equals == std::string_view::npos) {
      std::string key(TrimSpaces(piece));
      if (part.Attributes.Contains(key)) {
        throw DuplicateKey("the Content-Disposition header holds \"" + key + "\" twice");
      }
      part.Attributes.Add("(Present)", key);
    } else {
      std::string key(TrimSpaces(piece.substr(0, equals)));
      std::string_view raw = piece.substr(equals + 1);
      raw = raw.substr(0, raw.find('='));
      if (raw.size() < 2) {
        throw InvalidArgument("the attribute \"" + key +
                              "\" of the Content-Disposition header has no quoted value");
      }
      if (part.Attributes.Contains(key)) {
        throw DuplicateKey("the Content-Disposition header holds the attribute \"" + key +
                           "\" twice");
      }
      std::string item(raw.substr(1, raw.size() - 2));
      if (EqualsIgnoreCase(key, "NAME")) part.Name = item;
      part.Attributes.Add(std::move(item), key);
    }
    if (end == std::string_view::npos) return;
    start = end + 1;
  }
}

}  // namespace

// The header block is shorter than 32767 characters (the body reader limits
// it), so every position and piece count inside it fits 16 bits.
void MPForm::AddPart(std::string_view HeaderText, std::string_view Content) {
  assert(HeaderText.size() < 32767);
  auto part = std::make_shared<FormPart>();
  size_t pos = 0;
  while (pos < HeaderText.size()) {
    size_t end = HeaderText.find("\r\n", pos);
    if (end == std::string_view::npos) end = HeaderText.size();
    std::string_view line = HeaderText.substr(pos, end - pos);
    pos = end + 2;

    // A line without a colon is no header and changes nothing.
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string name(line.substr(0, colon));
    std::string_view value = TrimSpaces(line.substr(colon + 1));
    if (part->Headers.Contains(name)) {
      throw DuplicateKey("a part of the form holds the header \"" + name + "\" twice");
    }
    part->Headers.Add(std::string(value), name);
    if (EqualsIgnoreCase(name, "CONTENT-DISPOSITION")) AddAttributes(*part, value);
  }
  part->Content = std::string(Content);
  if (Parts.Contains(part->Name)) {
    throw DuplicateKey("the form holds two parts named \"" + part->Name + "\"");
  }
  std::string key = part->Name;
  Parts.Add(std::move(part), key);
}

}  // namespace quorax
