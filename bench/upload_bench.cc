// Parses a full-size upload (a 32,767-byte multipart body holding one CSV part
// of nine columns) end to end, next to a memchr scan of the same bytes, and
// prints the parse time as a multiple of the scan time.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "rows/csv.h"
#include "upload/mpform.h"

namespace {

constexpr size_t kBodySize = 32767;
constexpr size_t kNotesLength = 33;  // rows of about 99 bytes: 330 of them fill the body

std::string Row(int n, size_t notes_length) {
  char head[96];
  std::snprintf(head, sizeof head,
                "%d,2024-03-%02d,5.2.%d,Windows 2000,IE 5.5,%s,tester%d,PR-%04d,", 10000 + n,
                n % 28 + 1, n % 10, n % 7 == 0 ? "Fail" : "Pass", n % 5, n);
  return head + std::string(notes_length, 'n') + "\r\n";
}

// A multipart body of exactly kBodySize bytes: rows with kNotesLength notes,
// the last row's notes padded to fill the body.
std::string UploadBody() {
  const std::string prefix =
      "-----------------------------7d41b838504d8\r\n"
      "Content-Disposition: form-data; name=\"csvfile\"; filename=\"C:\\runs\\run.csv\"\r\n"
      "Content-Type: application/vnd.ms-excel\r\n\r\n"
      "TCID,TestDate,Version,Platform,Browser,Result,Tester,PR,Notes\r\n";
  const std::string suffix = "\r\n-----------------------------7d41b838504d8--\r\n";
  std::string body = prefix;
  int n = 0;
  while (body.size() + 2 * Row(n, kNotesLength).size() + suffix.size() < kBodySize)
    body += Row(n++, kNotesLength);
  size_t room = kBodySize - body.size() - suffix.size() - Row(n, 0).size();
  body += Row(n, room) + suffix;
  return body;
}

const std::string& Body() {
  static const std::string body = UploadBody();
  return body;
}

void BM_ParseUpload(benchmark::State& state) {
  int16_t rows = 0;
  for (auto _ : state) {
    std::string body = Body();
    quorax::MPForm form;
    form.ProcessSubmission(body);
    quorax::CSV csv;
    if (csv.ProcessCSV(form.Parts.Item("csvfile")->Content) != 0) {
      state.SkipWithError("the CSV part did not parse");
      return;
    }
    rows = csv.GetRows();
    benchmark::DoNotOptimize(csv);
  }
  state.counters["rows"] = rows;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Body().size()));
}
BENCHMARK(BM_ParseUpload)->Unit(benchmark::kMicrosecond);

void BM_ProcessSubmission(benchmark::State& state) {
  for (auto _ : state) {
    std::string body = Body();
    quorax::MPForm form;
    form.ProcessSubmission(body);
    benchmark::DoNotOptimize(form);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Body().size()));
}
BENCHMARK(BM_ProcessSubmission)->Unit(benchmark::kMicrosecond);

void BM_ProcessCSV(benchmark::State& state) {
  std::string body = Body();
  quorax::MPForm form;
  form.ProcessSubmission(body);
  const std::string& text = form.Parts.Item("csvfile")->Content;
  for (auto _ : state) {
    quorax::CSV csv;
    benchmark::DoNotOptimize(csv.ProcessCSV(text));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ProcessCSV)->Unit(benchmark::kMicrosecond);

void BM_MemchrScan(benchmark::State& state) {
  for (auto _ : state) {
    const std::string& body = Body();
    benchmark::DoNotOptimize(std::memchr(body.data(), '\0', body.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Body().size()));
}
BENCHMARK(BM_MemchrScan)->Unit(benchmark::kMicrosecond);

// Prints the console report and remembers each benchmark's CPU time per
// iteration (CPU time, as other work may share the machine).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& reports) override {
    ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
  }
  void PrintRatio() const {
    auto parse = times_.find("BM_ParseUpload");
    auto scan = times_.find("BM_MemchrScan");
    if (parse == times_.end() || scan == times_.end() || scan->second <= 0) return;
    std::printf("body %zu bytes; parse takes %.1fx the memchr scan\n", Body().size(),
                parse->second / scan->second);
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio();
  benchmark::Shutdown();
  return 0;
}
