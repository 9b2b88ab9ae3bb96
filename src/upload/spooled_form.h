#ifndef QUORAX_UPLOAD_SPOOLED_FORM_H_
#define QUORAX_UPLOAD_SPOOLED_FORM_H_

#include <map>
#include <memory>
#include <string>

#include "common/spool_file.h"

namespace quorax {

// A multipart form-data body kept in a file, taken apart without holding it:
// its small fields in memory, its one file part copied to a spool file.
struct SpooledForm {
  std::map<std::string, std::string> fields;  // every other part by name
  std::unique_ptr<SpoolFile> file;            // the content of the file part
  std::string file_name;                      // the file part's "filename" attribute
};

// The largest field the form may hold beside its file.
inline constexpr size_t kLargestFormField = 4096;

// Reads the form in `body` (the body's first line is the delimiter, as for
// MPForm) in bounded memory, its part named `file_part` to a spool file.
// Raises InvalidArgument for a body that is no such form, a part that does not
// end, a header block over 16 KiB or a field over kLargestFormField bytes,
// MissingKey for a form without `file_part`, and PlatformFailure when the
// files cannot be read or written.
SpooledForm ReadSpooledForm(const SpoolFile& body, const std::string& file_part);

}  // namespace quorax

#endif  // QUORAX_UPLOAD_SPOOLED_FORM_H_
