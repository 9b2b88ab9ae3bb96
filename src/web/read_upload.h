#ifndef QUORAX_WEB_READ_UPLOAD_H_
#define QUORAX_WEB_READ_UPLOAD_H_

#include <cstdint>
#include <memory>
#include <string>

#include "host/web_host.h"
#include "rows/csv.h"

namespace quorax {

// An upload the import accepted: the table read from its file, the file's
// encoding (kUtf8Encoding or kWindows1252Encoding) and the sentence the
// results page shows when the file held no data rows or was not read to its
// end ("" when it was read to its end).
struct AcceptedUpload {
  std::shared_ptr<CSV> Table;
  std::string Encoding;
  std::string ParseNote;
  bool ReadStopped = false;  // the reader stopped before the file's end: later rows are unread
  // When ReadStopped: the file's bytes as uploaded from the row that stopped
  // the reader to the end, how many lines holding data they span (each
  // counted as one row), and the line end of the file, so that a download
  // can hand the rest back unchanged after the rows it writes.
  std::string Unread;
  int32_t UnreadRows = 0;
  std::string LineEnd;
  // Tells the file apart from another: the same file sent again has the same
  // digest, whatever else of the request differs (a browser draws a new
  // multipart boundary for every submission).
  std::string Digest;
};

// Reads the request body, its part "csvfile" and the table in it; `import`
// chooses the wording of the note. Raises, before anything is stored, for a
// body of more than 32,767 bytes (Overflow), a body without the part
// (MissingKey), a file the encodings refuse (InvalidArgument) and a table
// with data rows and fewer than eight columns (SubscriptOutOfRange).
AcceptedUpload ReadUpload(WebHost& host, bool import);

// Answers a refused upload with status 400: a page giving `reason` and a link
// back to the upload form at `form_address` (escaped for an attribute).
void WriteRefusal(WebHost& host, const std::string& reason, const std::string& form_address);

}  // namespace quorax

#endif  // QUORAX_WEB_READ_UPLOAD_H_
