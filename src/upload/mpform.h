#ifndef QUORAX_UPLOAD_MPFORM_H_
#define QUORAX_UPLOAD_MPFORM_H_

#include <memory>
#include <string>
#include <string_view>

#include "common/keyed_collection.h"

namespace quorax {

// One part of a multipart form-data body.
class FormPart {
 public:
  KeyedCollection<std::string> Headers;     // header name (untrimmed) -> trimmed value
  KeyedCollection<std::string> Attributes;  // Content-Disposition attributes
  std::string Content;
  std::string Name;
};

// Splits a multipart form-data body into its parts; the body's first line is
// taken as the delimiter.
class MPForm {
 public:
  // Empties Parts and parses SrcData into new parts. On return SrcData holds
  // what followed the last delimiter line read. Raises Overflow,
  // InvalidArgument or DuplicateKey; Parts then keeps the parts added before.
  void ProcessSubmission(std::string& SrcData);

  KeyedCollection<std::shared_ptr<FormPart>> Parts;  // keyed by part Name

 private:
  // Removes every entry of Parts.
  void ClearParts();
  // Builds one part from its header block (lines each ending in CR LF) and
  // its content, and adds it to Parts under its Name. Raises InvalidArgument
  // for an attribute value shorter than two characters and DuplicateKey for a
  // repeated header, attribute or part name; the part is then not added.
  // REQUIRES: HeaderText is shorter than 32767 characters.
  void AddPart(std::string_view HeaderText, std::string_view Content);

  std::string Boundary;  // the delimiter line of the last body parsed
};

}  // namespace quorax

#endif  // QUORAX_UPLOAD_MPFORM_H_
