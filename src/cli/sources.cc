#include "cli/sources.h"

#include <time.h>

#include <fstream>
#include <functional>
#include <optional>

#include "cli/chunked_text.h"
#include "cli/exit_status.h"
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

std::string Today() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  char day[16];
  strftime(day, sizeof day, "%Y-%m-%d", &local);
  return day;
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

// A runner's report as the rows it maps to.
struct Converted {
  size_t rows = 0;
  std::vector<std::string> unmapped;  // tests without a test case id
  int32_t replaced = 0;               // characters of notes that became "?"
};

// Converts the report `file`, handing ConvertedCsv's text to `csv` a piece at a time (the first
// starting with the header line). Only a slice of the report's tests is held at once.
Converted ConvertReport(const std::string& file, Format format, const Options& options,
                        const runners::CaseRules& rules,
                        const std::function<void(std::string)>& csv) {
  runners::RunFields fields = FieldsFor(file, options);
  Converted converted;
  bool first = true;
  runners::ReadReportFile(file, format, [&](runners::RunnerReport& slice) {
    // Every slice carries the report's final start date.
    if (fields.date.empty()) fields.date = slice.started.empty() ? Today() : slice.started;
    runners::Mapping mapping = runners::MapTests(slice, fields, rules);
    // The server refuses a file holding a character Windows-1252 cannot
    // hold, even in a column it does not store: such a character of a
    // test's name becomes "?" in the rows (unmapped names stay whole).
    for (runners::MappedRow& row : mapping.rows) {
      row.test = Utf8FromWindows1252(Windows1252FromUtf8(row.test));
    }
    std::string text = runners::ConvertedCsv(mapping);
    if (!first) text.erase(0, text.find("\r\n") + 2);
    first = false;
    csv(std::move(text));
    for (std::string& test : mapping.unmapped) converted.unmapped.push_back(std::move(test));
    converted.replaced += mapping.replaced;
    converted.rows += mapping.rows.size();
  });
  return converted;
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

std::vector<Source> OpenSources(const Options& options, std::ostream& err) {
  return Reporting([&] {
    std::vector<Source> sources;
    std::optional<runners::CaseRules> rules;
    int32_t replaced = 0;
    for (const std::string& file : options.files) {
      const Format format = FormatOf(file, options);
      if (format == Format::Csv) {
        sources.push_back({file, std::make_unique<std::ifstream>(OpenFile(file)), {}, false});
        continue;
      }
      if (!rules) rules = runners::LoadCaseRules(options.case_pattern, options.case_map);
      if (!options.quiet)
        err << "quorax: " << file << ": read as " << runners::NameOf(format) << "\n";
      std::vector<std::string> chunks;
      Converted converted = ConvertReport(file, format, options, *rules, [&](std::string text) {
        chunks.push_back(std::move(text));
      });
      replaced += converted.replaced;
      sources.push_back({file, std::make_unique<ChunkedText>(std::move(chunks)),
                         std::move(converted.unmapped), true});
    }
    WarnReplaced(replaced, err);
    return sources;
  });
}

int ConvertReports(const Options& options, std::ostream& out, std::ostream& err) {
  std::ofstream csv(options.out_path, std::ios::binary);
  size_t rows = 0;
  size_t unmapped = 0;
  int32_t replaced = 0;
  Reporting([&] {
    const runners::CaseRules rules = runners::LoadCaseRules(options.case_pattern, options.case_map);
    for (size_t i = 0; i < options.files.size(); ++i) {
      const std::string& file = options.files[i];
      const Format format = FormatOf(file, options);
      if (format == Format::Csv) throw CliFailure(kBadUsage, file + " is no test runner's report");
      if (!options.quiet)
        err << "quorax: " << file << ": read as " << runners::NameOf(format) << "\n";
      // One header line heads the rows of every file.
      bool header = i == 0;
      const Converted converted =
          ConvertReport(file, format, options, rules, [&](std::string text) {
            csv << std::string_view(text).substr(header ? 0 : text.find("\r\n") + 2);
            header = true;
          });
      rows += converted.rows;
      for (const std::string& test : converted.unmapped) {
        err << "quorax: " << file << ": unmapped test (no test case id): " << test << "\n";
      }
      unmapped += converted.unmapped.size();
      replaced += converted.replaced;
    }
    return 0;
  });
  WarnReplaced(replaced, err);
  csv.close();
  if (!csv) throw CliFailure(kBadUsage, "\"" + options.out_path + "\" cannot be written");
  out << rows << " rows written to " << options.out_path << ", " << unmapped << " unmapped tests\n";
  return options.reject_unmapped && unmapped > 0 ? kRowsRejected : kAllPassed;
}

}  // namespace quorax::cli
