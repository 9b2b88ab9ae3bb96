#include "cli/run_outputs.h"

#include <unistd.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "cli/exit_status.h"
#include "cli/reports.h"
#include "cli/terminal.h"
#include "common/windows1252.h"
#include "outcomes/outcome_name.h"
#include "upload/upload_text.h"

namespace quorax::cli {
namespace {

void Open(std::ofstream& file, const std::string& path) {
  if (path.empty()) return;
  file.open(path, std::ios::binary);
  if (!file) throw CliFailure(kBadUsage, "the report \"" + path + "\" cannot be written");
}

void Close(std::ofstream& file, const std::string& path) {
  if (!file.is_open()) return;
  file.close();
  if (!file) throw CliFailure(kBadUsage, "the report \"" + path + "\" cannot be written");
}

std::unique_ptr<std::FILE, int (*)(std::FILE*)> NewTempFile() {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), std::fclose);
  if (!file) throw CliFailure(kBadUsage, "no temporary file can be made for the JUnit report");
  return file;
}

void Put(std::FILE* file, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), file);
}

// Copies `from` whole to the end of `to`, then empties `from`.
template <typename Sink>
void Drain(std::FILE* from, Sink&& to) {
  std::rewind(from);
  char buffer[1 << 16];
  for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, from)) > 0;) to(buffer, read);
  std::rewind(from);
  std::fflush(from);
  if (ftruncate(fileno(from), 0) != 0) throw CliFailure(kBadUsage, "a temporary file failed");
}

}  // namespace

RunOutputs::RunOutputs(const Options& options, const std::string& encoding, bool several_files,
                       const TestLedger* ledger, std::ostream& out)
    : options_(options),
      utf8_(encoding == kUtf8Encoding),
      several_files_(several_files),
      out_(out),
      ledger_(ledger) {
  Open(errors_, options.errors_path);
  Open(report_, options.report_path);
  Open(json_, options.json_path);
  if (!options.junit_path.empty()) {
    cases_ = NewTempFile();
    suites_ = NewTempFile();
  }
}

void RunOutputs::WriteCsv(std::ofstream& file, const std::string& text) const {
  if (file.is_open()) file << (utf8_ ? Utf8FromWindows1252(text) : text);
}

void RunOutputs::BeginFile(const std::string& file, const std::vector<std::string>& header,
                           bool report) {
  file_ = file;
  report_file_ = report && ledger_ != nullptr;
  file_cases_ = {};
  file_unmapped_ = 0;
  if (!header_.empty()) return;
  header_ = header;
  if (utf8_ && errors_.is_open()) errors_ << kUtf8ByteOrderMark;
  if (utf8_ && report_.is_open()) report_ << kUtf8ByteOrderMark;
  WriteCsv(errors_, CsvRecord(header));
  WriteCsv(report_, ReportHeader(header, ledger_ != nullptr));
}

void RunOutputs::WriteJson(const std::string& file, const std::string& test,
                           const std::string& result, const std::string& test_case,
                           const RowResult* row, const std::string& outcome) {
  if (!json_.is_open()) return;
  nlohmann::ordered_json line{{"file", file}, {"test", test}};
  line["result"] = result.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(result);
  line["case"] = test_case;
  line["row"] = row == nullptr ? nlohmann::ordered_json() : nlohmann::ordered_json(row->row);
  line["outcome"] = outcome;
  line["code"] = row == nullptr || row->code.empty()
                     ? nlohmann::ordered_json()
                     : nlohmann::ordered_json(std::strtol(row->code.c_str(), nullptr, 10));
  line["reasons"] = row == nullptr ? "no test case id" : Utf8FromWindows1252(row->reasons);
  json_ << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

void RunOutputs::PutCase(const std::string& xml, RowState state) {
  if (!cases_) return;
  Put(cases_.get(), xml);
  file_cases_.Add(state);
  all_cases_.Add(state);
}

void RunOutputs::AddReportRow(const RunResults& piece, const RowResult& row) {
  const bool shown = !options_.quiet && row.state != RowState::Passed;
  // The tests are read back only for an output that shows them.
  if (!shown && !report_.is_open() && !cases_ && !json_.is_open()) return;
  const std::string test_case = row.values.empty() ? "" : row.values.front();
  std::string first;
  const size_t tests = ledger_->ForEach(test_case, [&](const LedgerTest& test) {
    if (first.empty()) first = test.name;
    if (report_.is_open()) {
      const std::string line = TestReportRow(piece, row, test);
      report_ << (utf8_ ? line : Windows1252FromUtf8(line));
    }
    PutCase(JUnitTestCase(row, test), row.state);
    WriteJson(test.file, test.name, test.result, Utf8FromWindows1252(test_case), &row,
              OutcomeName(row.state));
  });
  if (shown) out_ << BadRowLine(row, TestsLabel(first, tests), several_files_ ? file_ + ": " : "");
}

void RunOutputs::AddFileRow(const RunResults& piece, const RowResult& row) {
  const auto column = static_cast<size_t>(piece.test_column);
  const bool named = piece.test_column >= 0 && column < row.values.size();
  constexpr size_t kResultColumn = 5;  // the column Result
  WriteJson(file_, named ? Utf8FromWindows1252(row.values[column]) : "",
            row.values.size() > kResultColumn ? Utf8FromWindows1252(row.values[kResultColumn]) : "",
            row.values.empty() ? "" : Utf8FromWindows1252(row.values.front()), &row,
            OutcomeName(row.state));
}

void RunOutputs::Add(const RunResults& piece) {
  WriteCsv(errors_, ErrorRows(piece));
  for (const RowResult& row : piece.rows) tally_.Add(row.state);
  if (report_file_) {
    for (const RowResult& row : piece.rows) AddReportRow(piece, row);
    return;
  }
  WriteCsv(report_, ReportRows(piece, ledger_ != nullptr));
  if (cases_) {
    Put(cases_.get(), JUnitCases(piece, file_));
    for (const RowResult& row : piece.rows) {
      file_cases_.Add(row.state);
      all_cases_.Add(row.state);
    }
  }
  if (!options_.quiet) out_ << BadRowLines(piece, several_files_ ? file_ + ": " : "");
  for (const RowResult& row : piece.rows) AddFileRow(piece, row);
}

void RunOutputs::AddUnmapped(const std::vector<UnmappedTest>& tests) {
  const bool rejected = options_.reject_unmapped;
  for (const UnmappedTest& test : tests) {
    const std::string row = UnmappedReportRow(header_, test.name, test.result);
    if (report_.is_open()) report_ << (utf8_ ? row : Windows1252FromUtf8(row));
    if (cases_) Put(cases_.get(), JUnitUnmapped(test.name, file_, rejected));
    if (!options_.quiet) {
      out_ << (several_files_ ? file_ + ": " : "") << "test " << TerminalText(test.name)
           << ": unmapped" << (rejected ? " (rejected)" : "") << ": no test case id\n";
    }
    WriteJson(file_, test.name, test.result, "", nullptr, "unmapped");
  }
  unmapped_ += static_cast<int32_t>(tests.size());
  file_unmapped_ += static_cast<int32_t>(tests.size());
}

void RunOutputs::EndFile(double seconds) {
  if (!suites_) return;
  const std::string name =
      std::string(options_.import ? "quorax import " : "quorax verify ") + file_;
  Put(suites_.get(),
      JUnitOpening("testsuite", name,
                   CountsOf(file_cases_, file_unmapped_, options_.reject_unmapped), seconds));
  Drain(cases_.get(),
        [&](const char* bytes, size_t size) { std::fwrite(bytes, 1, size, suites_.get()); });
  Put(suites_.get(), "</testsuite>\n");
}

void RunOutputs::Finish(double seconds) {
  Close(errors_, options_.errors_path);
  Close(report_, options_.report_path);
  Close(json_, options_.json_path);
  if (!suites_) return;
  std::ofstream junit;
  Open(junit, options_.junit_path);
  junit << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << JUnitOpening("testsuites", "", CountsOf(all_cases_, unmapped_, options_.reject_unmapped),
                        seconds);
  Drain(suites_.get(), [&](const char* bytes, size_t size) {
    junit.write(bytes, static_cast<std::streamsize>(size));
  });
  junit << "</testsuites>\n";
  Close(junit, options_.junit_path);
}

}  // namespace quorax::cli
