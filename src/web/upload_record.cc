#include "web/upload_record.h"

#include "metrics/metrics.h"
#include "outcomes/row_state.h"

namespace quorax {

UploadRecord::~UploadRecord() {
  metrics::RowCounts rows;
  for (int32_t row = 1; row <= table_.GetRows(); ++row) {
    switch (StateOfRow(outcomes_, row)) {
      case RowState::Passed:
        ++rows.passed;
        break;
      case RowState::Rejected:
        ++rows.rejected;
        break;
      case RowState::DatabaseFailure:
        ++rows.database_failure;
        break;
      case RowState::NotProcessed:
        ++rows.not_processed;
        break;
    }
  }
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started_;
  metrics::Upload(import_ ? metrics::UploadMode::kImport : metrics::UploadMode::kVerify,
                  seconds.count(), rows);
}

}  // namespace quorax
