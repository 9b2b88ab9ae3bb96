#ifndef QUORAX_WEB_UPLOADED_REPORT_H_
#define QUORAX_WEB_UPLOADED_REPORT_H_

#include <memory>

#include "common/spool_file.h"
#include "host/web_host.h"

namespace quorax {

// The request body, copied to a spool file, when it is an upload form whose
// file is a test runner's report by its content (XML or JSON rather than
// CSV); null for anything else, including a body the upload refuses for its
// size or form, which the upload then answers as before.
std::unique_ptr<SpoolFile> UploadedReport(WebHost& host);

}  // namespace quorax

#endif  // QUORAX_WEB_UPLOADED_REPORT_H_
