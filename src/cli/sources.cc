#include "cli/sources.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>

#include "cli/chunked_text.h"
#include "cli/exit_status.h"
#include "common/text.h"
#include "common/windows1252.h"
#include "runners/case_mapping.h"
#include "runners/converted_csv.h"
#include "runners/report_error.h"
#include "runners/runner_report.h"

namespace quorax::cli {
namespace {

using runners::Format;

// Enough of a file's start to know its format.
constexpr size_t kFormatPrefix = 64 * 1024;

[[noreturn]] void Unreadable(const std::string& file) {
  throw CliFailure(kBadUsage, "the file \"" + file + "\" cannot be read");
}

std::ifstream OpenFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in.is_open()) Unreadable(file);
  return in;
}

// The format --format names, or the one `file` shows by its start.
Format FormatOf(const std::string& file, const Options& options) {
  const Format named = runners::FormatNamed(options.format);
  if (named != Format::Auto) return named;
  std::ifstream in = OpenFile(file);
  std::string start(kFormatPrefix, '\0');
  in.read(start.data(), static_cast<std::streamsize>(start.size()));
  if (in.bad()) Unreadable(file);
  start.resize(static_cast<size_t>(in.gcount()));
  return runners::KnownFormatOf(file, start);
}

// The run's fields from `options`. Raises CliFailure (kBadUsage) naming
// those missing for the report `file`.
runners::RunFields FieldsFor(const std::string& file, const Options& options) {
  const std::pair<const std::string*, const char*> fields[] = {
      {&options.version, "product version (--product-version or QUORAX_PRODUCT_VERSION)"},
      {&options.platform, "platform (--platform or QUORAX_PLATFORM)"},
      {&options.browser, "browser (--browser or QUORAX_BROWSER)"},
      {&options.tester, "tester (--tester or QUORAX_TESTER)"}};
  std::string missing;
  for (const auto& [value, name] : fields) {
    if (value->empty()) missing += (missing.empty() ? "" : ", ") + std::string(name);
  }
  if (!missing.empty()) {
    throw CliFailure(kBadUsage,
                     file + " is a test runner's report; its rows need the run's " + missing);
  }
  return {options.version, options.platform, options.browser, options.tester, options.date};
}

// Rows per chunk of a report's CSV text: a large text never needs one allocation of its size.
constexpr size_t kChunkRows = 1000;

// No source: a report left out of the run.
constexpr size_t kNoSource = static_cast<size_t>(-1);

// Reads the report `file`, the run's file number `index`, a slice at a time into `grouping`;
// files its mapped tests in `ledger` (when set) and keeps its unmapped ones in `source`.
void ReadInto(const std::string& file, size_t index, Format format, const Options& options,
              runners::CaseGrouping& grouping, TestLedger* ledger, Source& source) {
  runners::RunFields fields = FieldsFor(file, options);
  runners::ReadReportFile(file, format, [&](runners::RunnerReport& slice) {
    // Every slice carries the report's final start date.
    if (fields.date.empty()) fields.date = slice.started.empty() ? Today() : slice.started;
    for (const runners::RunnerTest& test : slice.tests) {
      const std::string result(runners::ResultOf(test.verdict));
      const std::vector<std::string> ids = grouping.Add(test, fields, index);
      if (ids.empty()) {
        source.unmapped.push_back({test.name, result});
        continue;
      }
      ++source.mapped;
      if (ledger == nullptr) continue;
      for (const std::string& id : ids) ledger->Add(id, {file, test.name, result});
    }
  });
}

// Appends `rows` to `chunks` as ConvertedCsv's text, the header line only in the first chunk.
void AppendChunk(std::vector<runners::MappedRow>& rows, std::vector<std::string>& chunks) {
  runners::Mapping mapping;
  mapping.rows = std::move(rows);
  rows.clear();
  // The server refuses a file holding a character Windows-1252 cannot
  // hold, even in a column it does not store: such a character of a
  // test's name becomes "?" in the rows sent (the local outputs keep it).
  for (runners::MappedRow& row : mapping.rows) {
    row.test = Utf8FromWindows1252(Windows1252FromUtf8(row.test));
  }
  std::string text = runners::ConvertedCsv(mapping);
  if (!chunks.empty()) text.erase(0, text.find("\r\n") + 2);
  chunks.push_back(std::move(text));
}

// Gives each report of `sources` the CSV text of the rows of `mapping` whose cases first appear in
// it; `source_of` maps the run's file numbers to `sources`.
void FillReports(runners::Mapping& mapping, const std::vector<size_t>& source_of,
                 std::vector<Source>& sources) {
  std::vector<std::vector<std::string>> chunks(sources.size());
  std::vector<std::vector<runners::MappedRow>> pending(sources.size());
  for (runners::MappedRow& row : mapping.rows) {
    const size_t source = source_of.at(row.report);
    ++sources[source].rows;
    pending[source].push_back(std::move(row));
    if (pending[source].size() == kChunkRows) AppendChunk(pending[source], chunks[source]);
  }
  mapping.rows.clear();
  for (size_t source = 0; source < sources.size(); ++source) {
    if (!sources[source].report) continue;
    if (!pending[source].empty() || chunks[source].empty()) {
      AppendChunk(pending[source], chunks[source]);
    }
    sources[source].csv = std::make_unique<ChunkedText>(std::move(chunks[source]));
  }
}

// One warning line when generated notes lost characters.
void WarnReplaced(int32_t replaced, std::ostream& err) {
  if (replaced == 0) return;
  err << "quorax: " << replaced
      << " characters of the notes made from test messages have no Windows-1252 byte and became "
         "\"?\"\n";
}

// Runs `work`, its ReportError raised as CliFailure (kBadUsage).
template <typename Work>
auto Reporting(Work&& work) {
  try {
    return work();
  } catch (const runners::ReportError& e) {
    throw CliFailure(kBadUsage, e.what());
  }
}

}  // namespace

std::vector<Source> OpenSources(const Options& options, std::ostream& err, TestLedger* ledger,
                                const StopCheck& /*stop*/) {
  return Reporting([&] {
    std::vector<Source> sources;
    std::vector<size_t> source_of(options.files.size(), kNoSource);
    std::optional<runners::CaseRules> rules;
    std::optional<runners::CaseGrouping> grouping;
    for (size_t index = 0; index < options.files.size(); ++index) {
      const std::string& file = options.files[index];
      const Format format = FormatOf(file, options);
      if (format == Format::Csv) {
        sources.push_back({file, std::make_unique<std::ifstream>(OpenFile(file)), {}, 0, 0, false});
        continue;
      }
      if (!rules) {
        rules = runners::LoadCaseRules(options.case_pattern, options.case_map);
        grouping.emplace(*rules);
      }
      if (!options.quiet)
        err << "quorax: " << file << ": read as " << runners::NameOf(format) << "\n";
      Source source{file, nullptr, {}, 0, 0, true};
      try {
        ReadInto(file, index, format, options, *grouping, ledger, source);
      } catch (const runners::NoTestResults& e) {
        // A runner may write reports without tests beside the real one.
        if (options.files.size() < 2) throw;
        err << "quorax: " << e.what() << "; skipped\n";
        continue;
      }
      source_of[index] = sources.size();
      sources.push_back(std::move(source));
    }
    if (sources.empty()) throw CliFailure(kBadUsage, "no file holds any test results");
    if (grouping) {
      runners::Mapping mapping = grouping->Take();
      WarnReplaced(mapping.replaced, err);
      FillReports(mapping, source_of, sources);
    }
    return sources;
  });
}

int ConvertReports(const Options& options, std::ostream& out, std::ostream& err) {
  std::ofstream csv(options.out_path, std::ios::binary);
  const std::vector<Source> sources = OpenSources(options, err, nullptr);
  size_t rows = 0;
  size_t unmapped = 0;
  bool first = true;
  for (const Source& source : sources) {
    if (!source.report) throw CliFailure(kBadUsage, source.name + " is no test runner's report");
    // One header line heads the rows of every file.
    if (!first) {
      std::string header;
      std::getline(*source.csv, header);
    }
    first = false;
    std::copy(std::istreambuf_iterator<char>(*source.csv), std::istreambuf_iterator<char>(),
              std::ostreambuf_iterator<char>(csv));
    rows += source.rows;
    for (const UnmappedTest& test : source.unmapped) {
      err << "quorax: " << source.name << ": unmapped test (no test case id): " << test.name
          << "\n";
    }
    unmapped += source.unmapped.size();
  }
  csv.close();
  if (!csv) throw CliFailure(kBadUsage, "\"" + options.out_path + "\" cannot be written");
  out << rows << " rows written to " << options.out_path << ", " << unmapped << " unmapped tests\n";
  return options.reject_unmapped && unmapped > 0 ? kRowsRejected : kAllPassed;
}

}  // namespace quorax::cli
