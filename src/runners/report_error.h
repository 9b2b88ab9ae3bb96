#ifndef QUORAX_RUNNERS_REPORT_ERROR_H_
#define QUORAX_RUNNERS_REPORT_ERROR_H_

#include "common/errors.h"

namespace quorax::runners {

// A runner report, case pattern or case map that cannot be used; the message
// names the file (with line and column where the bytes go wrong) and why.
class ReportError : public Error {
 public:
  using Error::Error;
};

// A report that is well formed but holds no test at all: a run of several files skips it.
class NoTestResults : public ReportError {
 public:
  using ReportError::ReportError;
};

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_REPORT_ERROR_H_
