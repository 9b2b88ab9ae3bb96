#include "web/run_work.h"

#include <sstream>

#include "cli/exit_status.h"
#include "cli/options.h"
#include "cli/pieces.h"
#include "cli/sources.h"
#include "common/errors.h"
#include "common/text.h"
#include "contract/page_contract.h"
#include "kept/kept_database.h"
#include "sessions/session.h"
#include "tcdb/tcdb.h"
#include "upload/upload_text.h"
#include "web/run_words.h"
#include "web/send_rows.h"

namespace quorax {

namespace {

// The bytes of a piece: the upload's own limit, so that every piece is read
// exactly as an upload of its rows would be.
constexpr size_t kPieceBytes = contract::kLargestUploadBody;

// The command line's options that read the run's file as `quorax verify` would.
cli::Options ReadingOptions(const RunOrder& order) {
  cli::Options options;
  options.import = order.import;
  options.files = {order.file->path()};
  options.quiet = true;
  options.version = order.version;
  options.platform = order.platform;
  options.browser = order.browser;
  options.tester = order.tester;
  options.date = order.date;
  options.case_pattern = order.case_pattern;
  return options;
}

// The column whose value names a row in the results: a report's "Test",
// else the first (the test case id).
int32_t NameColumn(const RowTable& table) {
  for (int32_t col = 0; col < static_cast<int32_t>(table.Header().size()); ++col) {
    if (EqualsIgnoreCase(HeaderName(table.Header()[static_cast<size_t>(col)]), "Test")) return col;
  }
  return 0;
}

void Rewind(std::istream& csv) {
  csv.clear();
  csv.seekg(0);
}

// The shape of `source`, which is left rewound. A runner's report is UTF-8,
// and so are its rows, even when all ASCII.
cli::FileShape ShapeFor(cli::Source& source) {
  cli::FileShape shape = cli::ShapeOf(*source.csv);
  if (source.report) {
    shape.encoding = kUtf8Encoding;
    shape.mark = kUtf8ByteOrderMark;
  }
  Rewind(*source.csv);
  return shape;
}

// Reads every piece of `source` as the upload would, recording each row's
// name and test case id; raises as ReadPiece does. Leaves the source rewound.
// Returns nothing, having marked the run cancelled, once a cancel is asked:
// a large file's check can take a while.
std::optional<cli::FileShape> CheckSource(cli::Source& source, FileRun& run) {
  const cli::FileShape shape = ShapeFor(source);
  cli::PieceReader reader(*source.csv, shape, kPieceBytes);
  while (const std::optional<cli::Piece> piece = reader.Next()) {
    if (run.CancelAsked()) {
      run.SetStage(FileRun::Stage::kCancelled);
      return std::nullopt;
    }
    const std::unique_ptr<CSV> table = cli::ReadPiece(*piece);
    run.KeepRows(*piece, shape);
    const RowTable& rows = table->Rows();
    const int32_t column = NameColumn(rows);
    for (int32_t row = 0; row < rows.RowCount(); ++row) {
      run.AddRow(rows.Cell(row, column), rows.Cell(row, 0));
    }
  }
  Rewind(*source.csv);
  return shape;
}

// Sends the pieces of `source`, with the run's corrections in place of their
// rows, until the end, a database failure or a cancel.
void SendPieces(cli::Source& source, const cli::FileShape& shape, TCDB& database, FileRun& run) {
  cli::PieceReader reader(*source.csv, shape, kPieceBytes);
  Session scratch;  // SendRows notes "NoErrors"; the run keeps its own tally
  const FileRun::RowCells corrections = run.Corrections();
  while (const std::optional<cli::Piece> piece = reader.Next()) {
    if (run.CancelAsked()) return run.SetStage(FileRun::Stage::kCancelled);
    const std::unique_ptr<CSV> table = cli::ReadPiece(*piece);
    const RowTable corrected = corrections.empty()
                                   ? RowTable()
                                   : AsNowStands(table->Rows(), piece->first_row, corrections);
    const RowTable& rows = corrections.empty() ? table->Rows() : corrected;
    CSVRowErrors outcomes;
    const bool failed = SendRows(database, rows, run.order().import, outcomes, scratch);
    run.Record(outcomes);
    if (failed) break;
  }
  run.SetStage(FileRun::Stage::kDone);
}

}  // namespace

RowTable AsNowStands(const RowTable& piece, int32_t first_row,
                     const FileRun::RowCells& corrections) {
  RowTable rows(piece.Header());
  std::vector<std::string_view> cells(static_cast<size_t>(piece.Columns()));
  for (int32_t row = 0; row < piece.RowCount(); ++row) {
    const auto corrected = corrections.find(first_row + row);
    for (int32_t col = 0; col < piece.Columns(); ++col) {
      cells[static_cast<size_t>(col)] = corrected != corrections.end()
                                            ? corrected->second.at(static_cast<size_t>(col))
                                            : piece.Cell(row, col);
    }
    rows.AddRow(std::span<const std::string_view>(cells), piece.Origin(row));
  }
  return rows;
}

void CarryOutRun(FileRun& run, ConnectionKeeper& keeper) {
  if (run.CancelAsked()) return run.SetStage(FileRun::Stage::kCancelled);
  run.SetStage(FileRun::Stage::kReading);
  const RunOrder& order = run.order();
  try {
    std::ostringstream notes;
    auto ledger = std::make_unique<cli::TestLedger>();
    std::vector<cli::Source> sources = cli::OpenSources(ReadingOptions(order), notes, ledger.get());
    cli::Source& source = sources.front();
    if (source.report) {
      std::vector<FileRun::Unmapped> unmapped;
      for (const cli::UnmappedTest& test : source.unmapped) {
        unmapped.push_back({test.name, test.result});
      }
      run.SetReport(std::move(unmapped), source.mapped, std::move(ledger));
    }
    const std::optional<cli::FileShape> shape = CheckSource(source, run);
    if (!shape) return;
    run.SetEncoding(shape->encoding);
    TCDB database;
    if (ConnectDatabase(keeper, order.user, order.password, order.dsn, database) < 0) {
      return run.Fail(FileRun::Stage::kFailed,
                      "The database refused the connection: " + database.GetErrorString());
    }
    run.SetStage(FileRun::Stage::kSending);
    SendPieces(source, *shape, database, run);
  } catch (const cli::CliFailure& failure) {
    run.Fail(FileRun::Stage::kFailed, std::string("The file could not be read: ") + failure.what());
  } catch (const std::exception& failure) {
    run.Fail(FileRun::Stage::kFailed, std::string("The run failed: ") + failure.what());
  }
}

}  // namespace quorax
