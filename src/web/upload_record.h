#ifndef QUORAX_WEB_UPLOAD_RECORD_H_
#define QUORAX_WEB_UPLOAD_RECORD_H_

#include <chrono>

#include "outcomes/csv_row_errors.h"
#include "rows/row_table.h"

namespace quorax {

// Records one verify or import run in the metrics when it goes out of
// scope, however the run ends: its mode, the time since the record was made,
// and the state of every data row of `table` by `outcomes` (rows without an
// outcome count as not processed). `table` and `outcomes` must outlive it.
class UploadRecord {
 public:
  UploadRecord(bool import, const RowTable& table, const CSVRowErrors& outcomes)
      : import_(import), table_(table), outcomes_(outcomes) {}
  ~UploadRecord();
  UploadRecord(const UploadRecord&) = delete;
  UploadRecord& operator=(const UploadRecord&) = delete;

 private:
  const bool import_;
  const RowTable& table_;
  const CSVRowErrors& outcomes_;
  const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace quorax

#endif  // QUORAX_WEB_UPLOAD_RECORD_H_
