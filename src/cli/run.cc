#include "cli/run.h"

#include <chrono>
#include <memory>
#include <optional>

#include "cli/exit_status.h"
#include "cli/file_text.h"
#include "cli/options.h"
#include "cli/pieces.h"
#include "cli/reports.h"
#include "cli/results.h"
#include "cli/run_outputs.h"
#include "cli/server_client.h"
#include "cli/sources.h"
#include "cli/terminal.h"
#include "cli/wrapped_command.h"
#include "rows/csv_tokenizer.h"
#include "rows/read_fault.h"
#include "rows/result_columns.h"
#include "upload/upload_text.h"

namespace quorax::cli {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Writes the one line about a failure to `err`. The message may quote the
// server, so it is made safe for a terminal and kept to one line.
void PrintFailure(std::ostream& err, const std::string& message) {
  std::string line = TerminalText(message);
  for (char& c : line) {
    if (c == '\n') c = ' ';
  }
  err << "quorax: " << line << "\n";
}

// Runs `work` on the file `name`; with several files, its CliFailure names the file.
template <typename Work>
auto Named(const Options& options, const std::string& name, Work&& work) {
  try {
    return work();
  } catch (const CliFailure& e) {
    if (options.files.size() < 2) throw;
    throw CliFailure(e.status(), name + ": " + e.what());
  }
}

// A source with its shape, checked whole before anything is sent.
struct Checked {
  Source source;
  FileShape shape;
  int32_t rows = 0;
  size_t pieces = 0;
};

// Rewinds `source` to its start.
void Rewind(Source& source) {
  source.csv->clear();
  source.csv->seekg(0);
}

// Reads `source` once for its shape and once more, piece by piece, for
// every fault the server would find; then rewinds it.
Checked Check(Source source) {
  Checked checked{std::move(source), {}, 0, 0};
  checked.shape = ShapeOf(*checked.source.csv);
  if (checked.source.csv->bad()) {
    throw CliFailure(kBadUsage, "the file \"" + checked.source.name + "\" cannot be read");
  }
  if (checked.source.report && checked.shape.encoding != kUtf8Encoding) {
    // A runner's report is UTF-8 text, and so are its reports, even when all ASCII.
    checked.shape.encoding = kUtf8Encoding;
    checked.shape.mark = kUtf8ByteOrderMark;
  }
  Rewind(checked.source);
  PieceReader reader(*checked.source.csv, checked.shape,
                     ServerClient::LargestFile(checked.source.name));
  while (const std::optional<Piece> piece = reader.Next()) {
    ReadPiece(*piece);
    checked.rows += piece->rows;
    ++checked.pieces;
  }
  Rewind(checked.source);
  return checked;
}

// How the pieces of a run are sent, one after another in one session.
struct Sending {
  ServerClient& server;
  const Options& options;
  RunOutputs& outputs;
  std::ostream& err;
  bool show_progress;
  int32_t total = 0;  // rows of every file
  int32_t done = 0;
  size_t pieces = 0;  // pieces of every file
  size_t sent = 0;
  Clock::time_point start = Clock::now();
  std::optional<CliFailure> failure;  // the server refused a piece, or it or the network failed
  std::string database_failure;       // the line about the row at which the database failed
};

// Sends one piece and writes its outcomes. After a database failure or a
// failure of the server, the rows not yet sent are not processed.
void SendPiece(Sending& run, const std::string& name, const Piece& piece) {
  const std::unique_ptr<CSV> table = ReadPiece(piece);
  RunResults results;
  if (run.failure || !run.database_failure.empty()) {
    AddUnsentPiece(*table, piece.first_row, results);
  } else {
    try {
      AddPiece(*table, piece.first_row, run.server.Run(name, piece, run.options.import), results);
    } catch (const CliFailure& e) {
      if (e.status() != kServiceFailed && e.status() != kBadUsage) throw;
      const std::string message = FileRowsIn(e.what(), piece.first_row);
      run.failure.emplace(e.status(),
                          run.options.files.size() > 1 ? name + ": " + message : message);
      AddUnsentPiece(*table, piece.first_row, results);
    }
  }
  run.outputs.Add(results);
  run.database_failure += DatabaseFailureLines(results);
  run.done += piece.rows;
  ++run.sent;
  if (run.show_progress) {
    const double seconds = SecondsSince(run.start);
    run.err << "\rpiece " << run.sent << "/" << run.pieces << ", " << run.done << "/" << run.total
            << " rows, " << static_cast<long>(seconds > 0 ? run.done / seconds : 0) << " rows/s   "
            << std::flush;
  }
}

// Sends every piece of `file` and writes its outcomes.
void SendFile(Sending& run, Checked& file) {
  const Clock::time_point start = Clock::now();
  PieceReader reader(*file.source.csv, file.shape, ServerClient::LargestFile(file.source.name));
  std::optional<Piece> piece = reader.Next();
  run.outputs.BeginFile(
      file.source.name,
      piece ? HeaderOf(*ReadPiece(*piece)) : ReadRecords(DecodePiece(reader.header(), 1)).front(),
      file.source.report);
  for (; piece; piece = reader.Next()) SendPiece(run, file.source.name, *piece);
  run.outputs.AddUnmapped(file.source.unmapped);
  run.outputs.EndFile(SecondsSince(start));
}

int Send(const Options& options, std::ostream& out, std::ostream& err, bool show_progress) {
  const Clock::time_point start = Clock::now();
  std::vector<Checked> files;
  bool reports = false;
  TestCounts tests;
  std::string encoding = kWindows1252Encoding;
  TestLedger ledger;
  for (Source& source : OpenSources(options, err, &ledger)) {
    reports = reports || source.report;
    tests.mapped += source.mapped;
    const std::string name = source.name;
    files.push_back(Named(options, name, [&] { return Check(std::move(source)); }));
    if (files.back().shape.encoding == kUtf8Encoding) encoding = kUtf8Encoding;
  }
  ServerClient server(options.url, options.ca_file, std::chrono::seconds(options.timeout));
  const std::string password = ReadPassword(options.user);
  if (password.empty()) throw CliFailure(kBadUsage, "the password is empty");
  server.SignIn(options.user, password);

  RunOutputs outputs(options, encoding, files.size() > 1, reports ? &ledger : nullptr, out);
  Sending run{server, options, outputs, err, show_progress, 0, 0, 0, 0, Clock::now(), {}, ""};
  for (const Checked& file : files) {
    run.total += file.rows;
    run.pieces += file.pieces;
  }
  for (Checked& file : files) SendFile(run, file);
  if (show_progress && run.pieces > 0) err << "\n";
  const double seconds = SecondsSince(start);
  outputs.Finish(seconds);
  tests.unmapped = outputs.unmapped();
  out << SummaryLine(outputs.tally(), seconds, reports ? &tests : nullptr) << std::flush;
  if (run.failure) PrintFailure(err, run.failure->what());
  err << run.database_failure;
  if (run.failure) return run.failure->status();
  const ExitStatus status = StatusOf(outputs.tally());
  return status == kAllPassed && options.reject_unmapped && tests.unmapped > 0 ? kRowsRejected
                                                                               : status;
}

// The exit status of a run that ended with `status`: the wrapped command's when it failed and the
// run found rows passed or rejected, or files it should have written missing, unchanged, empty or
// malformed (0, 1, 2). A refused sign-in or a failed server, database or network stays the run's.
int PassedOn(const std::optional<int>& tests, int status) {
  return tests && *tests != 0 && status <= kBadUsage ? *tests : status;
}

}  // namespace

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool show_progress) {
  if (const std::string reply = HelpOrVersion(args); !reply.empty()) {
    out << reply;
    return kAllPassed;
  }
  std::optional<int> tests;
  try {
    Options options = ParseOptions(args);
    const FileStamps stamps(options.files);
    tests = RunWrapped(options.wrapped, out, err);
    // Only what the command wrote is its result: an older file is an earlier run's.
    if (tests) options.files = stamps.Written(err);
    const int status = options.command == Command::Convert ? ConvertReports(options, out, err)
                                                           : Send(options, out, err, show_progress);
    return PassedOn(tests, status);
  } catch (const CliFailure& e) {
    PrintFailure(err, e.what());
    return PassedOn(tests, e.status());
  } catch (const std::exception& e) {
    PrintFailure(err, e.what());
    return PassedOn(tests, kServiceFailed);
  }
}

}  // namespace quorax::cli
