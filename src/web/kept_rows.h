#ifndef QUORAX_WEB_KEPT_ROWS_H_
#define QUORAX_WEB_KEPT_ROWS_H_

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "cli/file_text.h"
#include "cli/pieces.h"
#include "common/spool_file.h"
#include "rows/csv.h"

namespace quorax {

// Some rows of a run's CSV text, ready to be read without the lock of the
// run that keeps them: the text, its header line and where each row lies.
struct RowPlaces {
  std::shared_ptr<const SpoolFile> text;
  std::string header;    // the header line each piece starts with, its mark included
  std::string line_end;  // the file's
  std::vector<std::pair<uint64_t, uint64_t>> spans;  // [start, end) of each row in `text`
};

// Where each data row of a run's file lies in its CSV text, kept as the file
// is first read, so that a page reads the bytes of its own rows only: eight
// bytes a row. The text is the run's spooled file itself for a CSV file; a
// runner report's rows, made in memory, are copied into a spool file of
// their own. Not thread-safe: its run guards it.
class KeptRows {
 public:
  // Rows to be found in `file` itself; with null, rows copied as they come.
  explicit KeptRows(std::shared_ptr<const SpoolFile> file);

  // Keeps the place of each data row of `piece`, the file's next piece, cut
  // from a file of `shape`. Raises PlatformFailure when a copy cannot be written.
  void Add(const cli::Piece& piece, const cli::FileShape& shape);

  int32_t size() const { return static_cast<int32_t>(starts_.size()); }

  // Fills `places` with the rows `numbers` (each 1..size()) from the first
  // on, as many as fit in a piece of `max_bytes` with the header, one at
  // least: places.spans holds one span for each row taken.
  void Places(std::span<const int32_t> numbers, size_t max_bytes, RowPlaces& places) const;

 private:
  std::shared_ptr<const SpoolFile> text_;
  std::shared_ptr<SpoolFile> copy_;  // text_ when the rows are copied, else null
  std::string header_;
  std::string line_end_;
  std::vector<uint64_t> starts_;  // of each row in text_; a row ends where the next starts
  uint64_t end_ = 0;              // of the last row
};

// The rows of `places` read as the server reads a piece, in that order; the
// file's data row `first_row` is the first (for messages). Raises
// PlatformFailure when the text can no longer be read, and as
// cli::ReadPiece does.
std::unique_ptr<CSV> ReadPlaces(const RowPlaces& places, int32_t first_row);

}  // namespace quorax

#endif  // QUORAX_WEB_KEPT_ROWS_H_
