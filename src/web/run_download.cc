#include "web/run_download.h"

#include <string>
#include <vector>

#include "common/windows1252.h"
#include "outcomes/outcome_name.h"
#include "rows/csv_writer.h"
#include "upload/upload_text.h"
#include "web/run_words.h"
#include "web/run_work.h"

namespace quorax {

namespace {

// The rows of a piece written out, then the text converted and appended.
// The bad rows (errors.csv) are written as the tester corrected them, to be
// sent again; every row (results.csv) as the file holds it.
class DownloadWriter {
 public:
  DownloadWriter(const FileRun& run, bool all_rows, SpoolFile& file)
      : run_(run),
        all_rows_(all_rows),
        file_(file),
        corrections_(all_rows ? FileRun::RowCells() : run.Corrections()) {}

  void Piece(const CSV& table, int32_t first_row) {
    const RowTable corrected =
        corrections_.empty() ? RowTable() : AsNowStands(table.Rows(), first_row, corrections_);
    const RowTable& rows = corrections_.empty() ? table.Rows() : corrected;
    if (!header_written_) WriteHeader(rows);
    const std::vector<FileRun::Row> outcomes = run_.Rows(first_row, rows.RowCount());
    for (int32_t row = 0; row < rows.RowCount(); ++row) {
      const FileRun::Row& outcome = outcomes[static_cast<size_t>(row)];
      if (!all_rows_ && outcome.state == RowState::Passed) continue;
      AppendCsvCells(text_, rows, row);
      if (all_rows_) {
        const bool sent = outcome.state != RowState::NotProcessed;
        AppendCsvField(text_, OutcomeName(outcome.state), rows.Columns() == 0);
        AppendCsvField(text_, sent ? std::to_string(outcome.code) : "", false);
        AppendCsvField(text_, outcome.reasons, false);
      }
      text_ += kCsvLineEnd;
    }
    Flush();
  }

  void SetEncoding(const std::string& encoding) { utf8_ = encoding == kUtf8Encoding; }

 private:
  void WriteHeader(const RowTable& rows) {
    if (utf8_) file_.Append(kUtf8ByteOrderMark);
    for (int32_t col = 0; col < rows.Columns(); ++col) {
      AppendCsvField(text_, HeaderName(rows.ColumnName(col)), col == 0);
    }
    if (all_rows_) {
      for (const char* name : {"Outcome", "Code", "Reasons"}) {
        AppendCsvField(text_, name, text_.empty());
      }
    }
    text_ += kCsvLineEnd;
    header_written_ = true;
  }

  void Flush() {
    file_.Append(utf8_ ? Utf8FromWindows1252(text_) : text_);
    text_.clear();
  }

  const FileRun& run_;
  const bool all_rows_;
  SpoolFile& file_;
  const FileRun::RowCells corrections_;
  std::string text_;
  bool utf8_ = false;
  bool header_written_ = false;
};

}  // namespace

std::unique_ptr<SpoolFile> WriteRunDownload(const FileRun& run, bool all_rows) {
  auto file = std::make_unique<SpoolFile>();
  DownloadWriter writer(run, all_rows, *file);
  writer.SetEncoding(run.Encoding());
  ReadRunPieces(run.order(),
                [&](const CSV& table, int32_t first_row) { writer.Piece(table, first_row); });
  return file;
}

}  // namespace quorax
