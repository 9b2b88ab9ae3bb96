// Reads and maps a JUnit report of 100,000 test cases into converted CSV rows,
// next to a plain pugixml load of the same bytes, and prints which share of
// the conversion the XML load takes, with the rows per second and peak memory.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <map>
#include <pugixml.hpp>
#include <string>

#include "runners/case_mapping.h"
#include "runners/converted_csv.h"
#include "runners/runner_report.h"

namespace {

using namespace quorax::runners;

constexpr int kTests = 100000;
constexpr int kPerSuite = 500;

// One test case: every tenth fails with a multi-line message, every
// twentieth is skipped, every fiftieth has no case id; ids come from the
// name or from a test_id property.
std::string Case(int n) {
  const std::string name = "test_case_" + std::to_string(n);
  std::string xml = "    <testcase classname=\"shop.tests.Module" + std::to_string(n / kPerSuite) +
                    "\" name=\"" + name +
                    (n % 50 == 0 ? "" : (n % 3 ? "_C" : "_X") + std::to_string(n % 44 + 1)) +
                    "\" time=\"0.013\">";
  if (n % 3 == 0 && n % 50 != 0) {
    xml += "<properties><property name=\"test_id\" value=\"C" + std::to_string(n % 44 + 1) +
           "\"/></properties>";
  }
  if (n % 10 == 0) {
    xml +=
        "<failure message=\"AssertionError: expected 200, got 500\" type=\"AssertionError\">"
        "def " +
        name + "():\n&gt;   assert status == 200\nE   AssertionError</failure>";
  } else if (n % 20 == 5) {
    xml += "<skipped message=\"needs the payment sandbox\"/>";
  }
  return xml + "</testcase>\n";
}

const std::string& Report() {
  static const std::string report = [] {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"bench\">\n";
    for (int n = 0; n < kTests; ++n) {
      if (n % kPerSuite == 0) {
        xml += (n ? "  </testsuite>\n" : "") + std::string("  <testsuite name=\"Module") +
               std::to_string(n / kPerSuite) + "\" timestamp=\"2024-05-14T09:30:12\">\n";
      }
      xml += Case(n);
    }
    return xml + "  </testsuite>\n</testsuites>\n";
  }();
  return report;
}

void BM_ReadMapConvert(benchmark::State& state) {
  const CaseRules rules = LoadCaseRules("", "");
  size_t rows = 0;
  for (auto _ : state) {
    const RunnerReport report = ReadReport("bench.xml", Report(), Format::Auto);
    const RunFields fields{"2.1", "Linux", "Chrome", "alice", report.started};
    const Mapping mapping = MapTests(report, fields, rules);
    benchmark::DoNotOptimize(ConvertedCsv(mapping));
    rows = mapping.rows.size();
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(rows * state.iterations()),
                                                benchmark::Counter::kIsRate);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Report().size()));
}
BENCHMARK(BM_ReadMapConvert)->Unit(benchmark::kMillisecond);

void BM_ReadReport(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadReport("bench.xml", Report(), Format::JUnit));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Report().size()));
}
BENCHMARK(BM_ReadReport)->Unit(benchmark::kMillisecond);

void BM_PugixmlLoad(benchmark::State& state) {
  for (auto _ : state) {
    pugi::xml_document doc;
    benchmark::DoNotOptimize(doc.load_buffer(Report().data(), Report().size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Report().size()));
}
BENCHMARK(BM_PugixmlLoad)->Unit(benchmark::kMillisecond);

// Prints the console report, then the XML load's and ReadReport's shares of
// the whole conversion (CPU time, as other work may share the machine).
class ShareReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& reports) override {
    ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
  }
  void PrintShares() const {
    const double whole = Time("BM_ReadMapConvert");
    if (whole <= 0) return;
    std::printf(
        "report %d test cases, %zu bytes: the pugixml load is %.0f%% and ReadReport %.0f%% "
        "of read+map+convert\n",
        kTests, Report().size(), 100 * Time("BM_PugixmlLoad") / whole,
        100 * Time("BM_ReadReport") / whole);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory %ld MiB\n", usage.ru_maxrss / 1024);
  }

 private:
  double Time(const std::string& name) const {
    const auto found = times_.find(name);
    return found == times_.end() ? 0 : found->second;
  }
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ShareReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintShares();
  benchmark::Shutdown();
  return 0;
}
