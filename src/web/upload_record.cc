#include "web/upload_record.h"

#include "metrics/metrics.h"
#include "outcomes/row_state.h"

namespace quorax {

UploadRecord::~UploadRecord() {
  const RowTally tally = TallyRows(outcomes_, table_.RowCount());
  metrics::RowCounts rows;
  rows.passed = static_cast<uint64_t>(tally.passed);
  rows.rejected = static_cast<uint64_t>(tally.rejected);
  rows.database_failure = static_cast<uint64_t>(tally.database_failures);
  rows.not_processed = static_cast<uint64_t>(tally.not_processed);
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started_;
  metrics::Upload(import_ ? metrics::UploadMode::kImport : metrics::UploadMode::kVerify,
                  seconds.count(), rows);
}

}  // namespace quorax
