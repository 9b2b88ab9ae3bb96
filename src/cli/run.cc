#include "cli/run.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include "cli/exit_status.h"
#include "cli/file_text.h"
#include "cli/options.h"
#include "cli/password.h"
#include "cli/pieces.h"
#include "cli/reports.h"
#include "cli/results.h"
#include "cli/server_client.h"
#include "cli/terminal_text.h"
#include "rows/result_columns.h"
#include "upload/read_fault.h"
#include "upload/upload_text.h"

namespace quorax::cli {
namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (!file.is_open() || file.bad()) {
    throw CliFailure(kBadUsage, "the file \"" + path + "\" cannot be read");
  }
  return content;
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  file.close();
  if (!file) throw CliFailure(kBadUsage, "the report \"" + path + "\" cannot be written");
}

// Each piece read as the server reads it. Raises CliFailure (kBadUsage) for
// a piece the server would refuse or could not read to its end (naming the
// file's line and why), or too few columns.
std::vector<std::unique_ptr<CSV>> ReadPieces(const std::vector<Piece>& pieces) {
  std::vector<std::unique_ptr<CSV>> tables;
  for (const Piece& piece : pieces) {
    auto table = std::make_unique<CSV>();
    const std::string text = DecodePiece(piece.text, piece.first_row);
    if (table->ProcessCSV(text) != 0 || table->GetRows() != piece.rows) {
      const std::string cause = ReadFaultCause(*table, text, piece.first_line);
      throw CliFailure(kBadUsage, "the file cannot be read past data row " +
                                      std::to_string(piece.first_row - 1 + table->GetRows()) +
                                      (cause.empty() ? "" : ": " + cause));
    }
    if (table->GetCols() < kResultColumnsNeeded) {
      throw CliFailure(kBadUsage, TooFewColumnsMessage(table->GetCols()));
    }
    tables.push_back(std::move(table));
  }
  return tables;
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

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Sends the pieces one after another and gathers their outcomes. After a
// database failure, or when the server refuses a piece or the server or
// network fails (that goes to `failure`), the rows not yet sent are not
// processed.
RunResults SendPieces(ServerClient& server, const Options& options,
                      const std::vector<Piece>& pieces,
                      const std::vector<std::unique_ptr<CSV>>& tables, std::ostream& err,
                      bool show_progress, std::optional<CliFailure>& failure) {
  RunResults results;
  const Clock::time_point start = Clock::now();
  int32_t total = 0;
  for (const Piece& piece : pieces) total += piece.rows;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (failure || DatabaseFailed(results)) {
      AddUnsentPiece(*tables[i], pieces[i].first_row, results);
      continue;
    }
    try {
      const std::string download = server.Run(options.file, pieces[i], options.import);
      AddPiece(*tables[i], pieces[i].first_row, download, results);
    } catch (const CliFailure& e) {
      if (e.status() != kServiceFailed && e.status() != kBadUsage) throw;
      failure.emplace(e.status(), FileRowsIn(e.what(), pieces[i].first_row));
      AddUnsentPiece(*tables[i], pieces[i].first_row, results);
    }
    if (show_progress) {
      const double seconds = SecondsSince(start);
      const auto done = static_cast<double>(results.rows.size());
      err << "\rpiece " << i + 1 << "/" << pieces.size() << ", " << results.rows.size() << "/"
          << total << " rows, " << static_cast<long>(seconds > 0 ? done / seconds : 0)
          << " rows/s   " << std::flush;
    }
  }
  if (show_progress && !pieces.empty()) err << "\n";
  return results;
}

// Writes the CSV reports in `encoding`, the file's own, and JUnit in UTF-8.
void WriteReports(const Options& options, const RunResults& results, const std::string& encoding,
                  double seconds) {
  if (!options.errors_path.empty()) {
    WriteFile(options.errors_path, EncodeDownload(ErrorsCsv(results), encoding));
  }
  if (!options.report_path.empty()) {
    WriteFile(options.report_path, EncodeDownload(ReportCsv(results), encoding));
  }
  if (!options.junit_path.empty()) {
    const std::string suite =
        std::string(options.import ? "quorax import " : "quorax verify ") + options.file;
    WriteFile(options.junit_path, JUnitXml(results, suite, seconds));
  }
}

int Execute(const Options& options, std::ostream& out, std::ostream& err, bool show_progress) {
  const Clock::time_point start = Clock::now();
  const FileText file = PrepareFile(ReadFile(options.file));
  ServerClient server(options.url, options.ca_file);
  const std::vector<Piece> pieces =
      SplitIntoPieces(file.bytes, ServerClient::LargestFile(options.file));
  const std::vector<std::unique_ptr<CSV>> tables = ReadPieces(pieces);
  const std::string password = ReadPassword(options.user);
  if (password.empty()) throw CliFailure(kBadUsage, "the password is empty");
  server.SignIn(options.user, password);

  std::optional<CliFailure> failure;
  const RunResults results =
      SendPieces(server, options, pieces, tables, err, show_progress, failure);
  const double seconds = SecondsSince(start);
  WriteReports(options, results, file.encoding, seconds);
  if (!options.quiet) out << BadRowLines(results);
  const RowTally tally = Count(results);
  out << SummaryLine(tally, seconds) << std::flush;
  if (failure) PrintFailure(err, failure->what());
  err << DatabaseFailureLines(results);
  return failure ? failure->status() : StatusOf(tally);
}

}  // namespace

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool show_progress) {
  if (const std::string reply = HelpOrVersion(args); !reply.empty()) {
    out << reply;
    return kAllPassed;
  }
  try {
    return Execute(ParseOptions(args), out, err, show_progress);
  } catch (const CliFailure& e) {
    PrintFailure(err, e.what());
    return e.status();
  } catch (const std::exception& e) {
    PrintFailure(err, e.what());
    return kServiceFailed;
  }
}

}  // namespace quorax::cli
