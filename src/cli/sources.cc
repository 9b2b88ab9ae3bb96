#include "cli/sources.h"

#include <time.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "cli/exit_status.h"
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
  return runners::DetectFormat(start);
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

// The tests of the report `file` mapped to rows.
runners::Mapping MapReport(const std::string& file, Format format, const Options& options,
                           const runners::CaseRules& rules) {
  runners::RunFields fields = FieldsFor(file, options);
  std::ifstream in = OpenFile(file);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) Unreadable(file);
  const runners::RunnerReport report = runners::ReadReport(file, bytes, format);
  if (fields.date.empty()) fields.date = report.started.empty() ? Today() : report.started;
  return runners::MapTests(report, fields, rules);
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
      runners::Mapping mapping = MapReport(file, format, options, *rules);
      replaced += mapping.replaced;
      sources.push_back({file, std::make_unique<std::istringstream>(ConvertedCsv(mapping)),
                         std::move(mapping.unmapped), true});
    }
    WarnReplaced(replaced, err);
    return sources;
  });
}

int ConvertReports(const Options& options, std::ostream& out, std::ostream& err) {
  const runners::Mapping all = Reporting([&] {
    const runners::CaseRules rules = runners::LoadCaseRules(options.case_pattern, options.case_map);
    runners::Mapping merged;
    for (const std::string& file : options.files) {
      const Format format = FormatOf(file, options);
      if (format == Format::Csv) throw CliFailure(kBadUsage, file + " is no test runner's report");
      runners::Mapping mapping = MapReport(file, format, options, rules);
      for (runners::MappedRow& row : mapping.rows) merged.rows.push_back(std::move(row));
      for (const std::string& test : mapping.unmapped) {
        err << "quorax: " << file << ": unmapped test (no test case id): " << test << "\n";
        merged.unmapped.push_back(test);
      }
      merged.replaced += mapping.replaced;
    }
    return merged;
  });
  WarnReplaced(all.replaced, err);
  std::ofstream csv(options.out_path, std::ios::binary);
  csv << runners::ConvertedCsv(all);
  csv.close();
  if (!csv) throw CliFailure(kBadUsage, "\"" + options.out_path + "\" cannot be written");
  out << all.rows.size() << " rows written to " << options.out_path << ", " << all.unmapped.size()
      << " unmapped tests\n";
  return options.reject_unmapped && !all.unmapped.empty() ? kRowsRejected : kAllPassed;
}

}  // namespace quorax::cli
