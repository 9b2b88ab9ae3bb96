#ifndef QUORAX_WEB_RUN_CORRECTIONS_H_
#define QUORAX_WEB_RUN_CORRECTIONS_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "rows/csv.h"
#include "rows/row_table.h"

namespace quorax {

class Session;

// The tester's corrections to the rows of one run, kept in the session
// (session "CSVFixes") beside the upload they belong to. The upload's table
// is never changed, so it keeps every cell as uploaded; Current() is the
// table as it now stands, each corrected row in place of its uploaded form.
// Not thread-safe: a session serves one request at a time.
class RunCorrections {
 public:
  // The cells of data rows by row number (from 1).
  using RowCells = std::map<int32_t, std::vector<std::string>>;

  explicit RunCorrections(std::shared_ptr<const CSV> upload);

  // Names this run in the forms that post corrections to it, so that a form
  // shown for an earlier upload is never applied to a later one. Unique
  // within the server's lifetime.
  uint64_t Stamp() const { return stamp_; }

  // True when these corrections were made to `upload` (the very object).
  bool BelongsTo(const CSV* upload) const { return upload_.get() == upload; }

  const RowTable& Uploaded() const { return upload_->Rows(); }
  // The table as it now stands; stays valid, unchanged, after later calls.
  std::shared_ptr<const RowTable> Current() const { return current_; }
  // True when some row's cells differ from the uploaded ones.
  bool AnyCorrected() const { return !corrected_.empty(); }

  // The numbers of the rows of `posted` whose cells differ from those they
  // now have, ascending. REQUIRES: every row lies in 1..Uploaded().RowCount()
  // and has Uploaded().Columns() cells.
  std::vector<int32_t> Changed(const RowCells& posted) const;
  // Takes `posted` as the cells the rows now have; a row set back to its
  // uploaded cells is no longer corrected. REQUIRES: as Changed.
  void Apply(const RowCells& posted);

 private:
  void Rebuild();

  const std::shared_ptr<const CSV> upload_;
  const uint64_t stamp_;
  RowCells corrected_;                       // only rows that differ from the upload
  std::shared_ptr<const RowTable> current_;  // rebuilt when a row changes
};

// True when data row `row` (from 1) of `table` holds exactly `cells`.
// REQUIRES: `cells` has table.Columns() cells.
bool RowHasCells(const RowTable& table, int32_t row, const std::vector<std::string>& cells);

// The corrections of the session's current run ("CSVData"), or null when
// none were made to it: corrections of an earlier upload do not count.
std::shared_ptr<RunCorrections> CorrectionsOf(const Session& session);

// The corrections of the session's current run, made empty and stored under
// "CSVFixes" when there are none yet. REQUIRES: the session holds a run.
RunCorrections& CorrectionsFor(Session& session);

}  // namespace quorax

#endif  // QUORAX_WEB_RUN_CORRECTIONS_H_
