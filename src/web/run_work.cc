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
// name and test case id; raises as ReadPiece does, and Stopped once `stop`
// does. Leaves the source rewound.
cli::FileShape CheckSource(cli::Source& source, FileRun& run, const RunStop& stop) {
  const cli::FileShape shape = ShapeFor(source);
  cli::PieceReader reader(*source.csv, shape, kPieceBytes);
  while (const std::optional<cli::Piece> piece = reader.Next()) {
    stop.Ask();
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

// Connects `database` with the run's sign-in, a new connection that checks
// the credentials again. False, having failed the run, when the database
// refuses: refused credentials end its access.
bool Connected(FileRun& run, ConnectionKeeper& keeper, TCDB& database) {
  const RunOrder& order = run.order();
  const int16_t code = ConnectDatabase(keeper, order.user, order.password, order.dsn, database);
  if (code == -1) {
    run.FailAccess(kAccessEndedMessage);
  } else if (code < 0) {
    run.Fail(FileRun::Stage::kFailed,
             "The database refused the connection: " + database.GetErrorString());
  }
  return code == 0;
}

// Where a run sends its rows: the database, its sign-in's keeper and how
// long a connection serves before the credentials are checked again.
struct Sending {
  TCDB& database;
  ConnectionKeeper& keeper;
  std::chrono::milliseconds max_age;
};

// Sends the pieces of `source`, with the run's corrections in place of their
// rows, until the end or a database failure; raises Stopped once `stop`
// does. Between two pieces a connection `max_age` old is made afresh; a
// refusal ends the run.
void SendPieces(cli::Source& source, const cli::FileShape& shape, const Sending& to, FileRun& run,
                const RunStop& stop) {
  cli::PieceReader reader(*source.csv, shape, kPieceBytes);
  Session scratch;  // SendRows notes "NoErrors"; the run keeps its own tally
  const FileRun::RowCells corrections = run.Corrections();
  auto checked = std::chrono::steady_clock::now();
  while (const std::optional<cli::Piece> piece = reader.Next()) {
    stop.Ask();
    if (std::chrono::steady_clock::now() - checked >= to.max_age) {
      to.database.Disconnect();
      if (!Connected(run, to.keeper, to.database)) return;
      checked = std::chrono::steady_clock::now();
    }
    const std::unique_ptr<CSV> table = cli::ReadPiece(*piece);
    const RowTable corrected = corrections.empty()
                                   ? RowTable()
                                   : AsNowStands(table->Rows(), piece->first_row, corrections);
    const RowTable& rows = corrections.empty() ? table->Rows() : corrected;
    CSVRowErrors outcomes;
    const bool failed = SendRows(to.database, rows, run.order().import, outcomes, scratch);
    run.Record(outcomes);
    if (failed) {
      stop.Ask();  // a call abandoned by the server's stop fails as a lost connection
      break;
    }
  }
  run.SetStage(FileRun::Stage::kDone);
}

// `message` with the run's spool file named as the browser named the file.
std::string Unspooled(std::string message, const RunOrder& order) {
  const std::string& path = order.file->path();
  for (size_t at = message.find(path); !path.empty() && at != std::string::npos;
       at = message.find(path, at + order.file_name.size())) {
    message.replace(at, path.size(), order.file_name);
  }
  return message;
}

// Ends `run` as `stop` says, after it raised `stopped`.
void EndStopped(FileRun& run, const RunStop& stop, const Stopped& stopped) {
  const std::optional<RunStop::Ending> ending = stop.Reason();
  if (!ending) return run.Fail(FileRun::Stage::kFailed, stopped.what());
  if (ending->stage == FileRun::Stage::kCancelled) return run.SetStage(ending->stage);
  run.Fail(ending->stage, ending->message);
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

void CarryOutRun(FileRun& run, RunStop& stop, ConnectionKeeper& keeper,
                 std::chrono::milliseconds max_age) {
  run.SetStage(FileRun::Stage::kReading);
  const RunOrder& order = run.order();
  try {
    stop.Ask();
    std::ostringstream notes;
    auto ledger = std::make_unique<cli::TestLedger>();
    std::vector<cli::Source> sources =
        cli::OpenSources(ReadingOptions(order), notes, ledger.get(), stop.Check());
    cli::Source& source = sources.front();
    if (source.report) {
      std::vector<FileRun::Unmapped> unmapped;
      for (const cli::UnmappedTest& test : source.unmapped) {
        unmapped.push_back({test.name, test.result});
      }
      run.SetReport(std::move(unmapped), source.mapped, std::move(ledger));
    }
    const cli::FileShape shape = CheckSource(source, run, stop);
    run.SetEncoding(shape.encoding);
    TCDB database;
    const RunStop::Holding held = stop.Hold(database);
    if (!Connected(run, keeper, database)) return;
    run.SetStage(FileRun::Stage::kSending);
    SendPieces(source, shape, {database, keeper, max_age}, run, stop);
  } catch (const Stopped& stopped) {
    EndStopped(run, stop, stopped);
  } catch (const cli::CliFailure& failure) {
    run.Fail(FileRun::Stage::kFailed,
             "The file could not be read: " + Unspooled(failure.what(), order));
  } catch (const std::exception& failure) {
    run.Fail(FileRun::Stage::kFailed, "The run failed: " + Unspooled(failure.what(), order));
  }
}

}  // namespace quorax
