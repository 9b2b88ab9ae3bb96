#include "cli/run_outputs.h"

#include <unistd.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "cli/exit_status.h"
#include "cli/reports.h"
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
                       std::ostream& out)
    : options_(options),
      utf8_(encoding == kUtf8Encoding),
      several_files_(several_files),
      out_(out) {
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

void RunOutputs::BeginFile(const std::string& file, const std::vector<std::string>& header) {
  file_ = file;
  file_tally_ = {};
  file_unmapped_ = 0;
  if (!header_.empty()) return;
  header_ = header;
  if (utf8_ && errors_.is_open()) errors_ << kUtf8ByteOrderMark;
  if (utf8_ && report_.is_open()) report_ << kUtf8ByteOrderMark;
  WriteCsv(errors_, CsvRecord(header));
  WriteCsv(report_, ReportHeader(header));
}

void RunOutputs::WriteJson(const std::string& test, const std::string& test_case,
                           const RowResult* row, const std::string& outcome) {
  if (!json_.is_open()) return;
  nlohmann::ordered_json line{{"file", file_}, {"test", test}, {"case", test_case}};
  line["row"] = row == nullptr ? nlohmann::ordered_json() : nlohmann::ordered_json(row->row);
  line["outcome"] = outcome;
  line["code"] = row == nullptr || row->code.empty()
                     ? nlohmann::ordered_json()
                     : nlohmann::ordered_json(std::strtol(row->code.c_str(), nullptr, 10));
  line["reasons"] = row == nullptr ? "no test case id" : Utf8FromWindows1252(row->reasons);
  json_ << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

void RunOutputs::Add(const RunResults& piece) {
  WriteCsv(errors_, ErrorRows(piece));
  WriteCsv(report_, ReportRows(piece));
  if (cases_) Put(cases_.get(), JUnitCases(piece, file_));
  if (!options_.quiet) out_ << BadRowLines(piece, several_files_ ? file_ + ": " : "");
  const auto column = static_cast<size_t>(piece.test_column);
  for (const RowResult& row : piece.rows) {
    tally_.Add(row.state);
    file_tally_.Add(row.state);
    const bool named = piece.test_column >= 0 && column < row.values.size();
    WriteJson(named ? Utf8FromWindows1252(row.values[column]) : "",
              row.values.empty() ? "" : Utf8FromWindows1252(row.values.front()), &row,
              OutcomeName(row.state));
  }
}

void RunOutputs::AddUnmapped(const std::vector<std::string>& tests) {
  const bool rejected = options_.reject_unmapped;
  for (const std::string& test : tests) {
    const std::string row = UnmappedReportRow(header_, test);
    if (report_.is_open()) report_ << (utf8_ ? row : Windows1252FromUtf8(row));
    if (cases_) Put(cases_.get(), JUnitUnmapped(test, file_, rejected));
    if (!options_.quiet) {
      out_ << (several_files_ ? file_ + ": " : "") << "test " << test << ": unmapped"
           << (rejected ? " (rejected)" : "") << ": no test case id\n";
    }
    WriteJson(test, "", nullptr, "unmapped");
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
                   CountsOf(file_tally_, file_unmapped_, options_.reject_unmapped), seconds));
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
        << JUnitOpening("testsuites", "", CountsOf(tally_, unmapped_, options_.reject_unmapped),
                        seconds);
  Drain(suites_.get(), [&](const char* bytes, size_t size) {
    junit.write(bytes, static_cast<std::streamsize>(size));
  });
  junit << "</testsuites>\n";
  Close(junit, options_.junit_path);
}

}  // namespace quorax::cli
