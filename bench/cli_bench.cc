// Verifies a file of 10,000 rows ($QUORAX_BENCH_ROWS for another size) through the command line
// (the built `quorax` executable, run as its own process as a tester runs it) against the server
// running in this process, and in the same run sends the same rows as the
// fewest full-size uploads with a bare client: sign in once, then per piece
// the upload form (not before the first) and the multipart POST, once
// without and once with the results download the command line needs. It
// prints rows per second of each, the ratios and the command's peak memory.
//
// Needs QUORAX_TEST_DSN (the test-case database with the demo data and the
// login demo/demo); without it the run is skipped with a message.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_server.h"
#include "cli/pieces.h"
#include "testing/temp_dir.h"
#include "testing/web_browser.h"

namespace {

using quorax::bench::RunCommand;
using quorax::bench::ShellQuoted;

using Clock = std::chrono::steady_clock;
using quorax::bench::Env;

const int kRows = [] {
  const std::string rows = Env("QUORAX_BENCH_ROWS");
  return rows.empty() ? 10000 : std::stoi(rows);
}();
constexpr size_t kBodySize = 32767;
constexpr char kBoundary[] = "----WebKitFormBoundaryQx4Lw8zNc2Rt7Yud";
constexpr char kHeader[] = "TCID,TestDate,Version,Platform,Browser,Result,Tester,PR,Notes\r\n";
constexpr char kVerified[] = "All rows have been verified and are Ok";

double Seconds(Clock::duration elapsed) { return std::chrono::duration<double>(elapsed).count(); }

double Milliseconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

// CPU time used so far by this process (the in-process server's threads
// included), in milliseconds.
double ProcessCpuMilliseconds() {
  timespec used{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  return static_cast<double>(used.tv_sec) * 1e3 + static_cast<double>(used.tv_nsec) / 1e6;
}

// CPU time used so far by the child processes that have ended, in milliseconds.
double ChildrenCpuMilliseconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime);
}

// Data row `n` (from 0): the demo data's good rows varied, test cases 1 to 24
// on the desktop platform and browser pairs their areas run on, 144 rows a
// day from 1980 on (before every recorded execution), some notes quoted.
std::string Row(int n) {
  static const char* const kPairs[][2] = {
      {"Windows 11", "Chrome"},    {"Windows 10", "Firefox"}, {"macOS 14", "Safari"},
      {"Ubuntu 22.04", "Firefox"}, {"Windows 11", "Edge"},    {"macOS 14", "Chrome"},
  };
  static const char* const kNotes[] = {"", "Password field shows the typed text",
                                       "Chart renders after a reload",
                                       "\"Blocked: device in use, retry tomorrow\""};
  static const char* const kTesters[] = {"alice", "bob", "carol", "dave"};
  static const char* const kVersions[] = {"1.0", "1.1", "2.0", "2.1"};
  static const char* const kResults[] = {"P", "F", "U"};
  const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::year{1980} / 1 / 1} +
                                         std::chrono::days{n / 144}};
  char day[16];
  std::snprintf(day, sizeof day, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  const auto& pair = kPairs[(n / 24) % 6];
  return std::to_string(n % 24 + 1) + "," + day + "," + kVersions[(n / 144) % 4] + "," + pair[0] +
         "," + pair[1] + "," + kResults[n % 3] + "," + kTesters[(n / 7) % 4] + "," +
         (n % 5 == 0 ? "PR-" + std::to_string(n) : "") + "," + kNotes[n % 4] + "\r\n";
}

std::string TheFile() {
  std::string content = kHeader;
  for (int n = 0; n < kRows; ++n) content += Row(n);
  return content;
}

// The file as the fewest uploads of at most kBodySize bytes each, as a
// browser's multipart bodies.
std::vector<std::string> UploadBodies(const std::string& file) {
  const std::string prefix =
      std::string("--") + kBoundary +
      "\r\nContent-Disposition: form-data; name=\"csvfile\"; filename=\"run.csv\"\r\n"
      "Content-Type: text/csv\r\n\r\n";
  const std::string suffix = std::string("\r\n--") + kBoundary + "--\r\n";
  std::vector<std::string> bodies;
  for (const quorax::cli::Piece& piece :
       quorax::cli::SplitIntoPieces(file, kBodySize - prefix.size() - suffix.size())) {
    bodies.push_back(prefix + piece.text + suffix);
  }
  return bodies;
}

// Seconds and CPU milliseconds per file over every run of one measurement,
// for the summary: the median time, which a burst of load on the shared
// machine moves least, and the mean CPU time.
class Tally {
 public:
  void Add(double seconds, double cpu_ms) {
    seconds_.push_back(seconds);
    cpu_ms_ += cpu_ms;
  }
  double Seconds() const {
    if (seconds_.empty()) return 0;
    std::vector<double> sorted = seconds_;
    std::sort(sorted.begin(), sorted.end());
    const size_t half = sorted.size() / 2;
    return sorted.size() % 2 == 1 ? sorted[half] : (sorted[half - 1] + sorted[half]) / 2;
  }
  double CpuMilliseconds() const {
    return seconds_.empty() ? 0 : cpu_ms_ / static_cast<double>(seconds_.size());
  }

 private:
  std::vector<double> seconds_;
  double cpu_ms_ = 0;
};

struct Bench {
  quorax::testkit::TempDir dir;
  std::string file_path;
  std::vector<std::string> bodies;
  std::unique_ptr<quorax::bench::BenchServer> server;
  Tally bare;
  Tally bare_download;
  Tally command_line;
  Tally command_line_server;  // CPU time of this process while the command ran
  double peak_mib = 0;        // the largest resident set of a command run
};
Bench* bench = nullptr;

// One file through the bare client; returns "" when every row was verified,
// or what went wrong.
std::string UploadAll(bool download) {
  quorax::testkit::WebBrowser browser(bench->server->port());
  browser.Get("/Quorax.asp");
  const quorax::testkit::HttpResponse form = browser.Post(
      "/Quorax.asp?WCI=SubmitCSV&WCU=", "application/x-www-form-urlencoded", "uid=demo&pwd=demo");
  if (form.status != 200) return "the demo login was refused";
  for (size_t i = 0; i < bench->bodies.size(); ++i) {
    if (i > 0) browser.Get("/Quorax.asp?WCI=SubmitCSV&WCU=");
    const quorax::testkit::HttpResponse page = browser.Post(
        "/Quorax.asp?WCI=ImportCSV&WCU=", std::string("multipart/form-data; boundary=") + kBoundary,
        bench->bodies[i]);
    if (page.status != 200 || page.body.find(kVerified) == std::string::npos) {
      return "piece " + std::to_string(i + 1) + ": " + page.body.substr(0, 2000);
    }
    if (download && browser.Get("/Quorax.asp?WCI=ExportResults&WCU=")
                            .Header("Content-Type")
                            .rfind("text/csv", 0) != 0) {
      return "piece " + std::to_string(i + 1) + ": no results download";
    }
  }
  return "";
}

void BM_BareClient(benchmark::State& state) {
  const bool download = state.range(0) == 1;
  double seconds = 0;
  const double cpu_start = ProcessCpuMilliseconds();
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const std::string failure = UploadAll(download);
    const Clock::duration elapsed = Clock::now() - start;
    if (!failure.empty()) {
      state.SkipWithError(failure.c_str());
      return;
    }
    state.SetIterationTime(Seconds(elapsed));
    seconds += Seconds(elapsed);
  }
  const auto iterations = static_cast<double>(state.iterations());
  const double cpu = (ProcessCpuMilliseconds() - cpu_start) / iterations;
  seconds /= iterations;
  (download ? bench->bare_download : bench->bare).Add(seconds, cpu);
  state.counters["rows_per_s"] = kRows / seconds;
  state.counters["pieces"] = static_cast<double>(bench->bodies.size());
  state.counters["process_cpu_ms"] = cpu;
}

void BM_CommandLine(benchmark::State& state) {
  // /usr/bin/time measures the command's peak memory: its child starts from
  // a small process, while a child of this one would count this one's memory.
  const std::string peak_file = bench->dir.Path("quorax.peak");
  const std::string command =
      "exec /usr/bin/time -f %M -o " + ShellQuoted(peak_file) + " " + ShellQuoted(QUORAX_CLI) +
      " verify " + ShellQuoted(bench->file_path) + " --quiet --user demo --url " +
      "http://127.0.0.1:" + std::to_string(bench->server->port()) + "/Quorax.asp 2>&1";
  const std::string summary = std::to_string(kRows) + " rows: " + std::to_string(kRows) + " passed";
  double seconds = 0;
  const double cpu_start = ProcessCpuMilliseconds();
  const double children_start = ChildrenCpuMilliseconds();
  for (auto _ : state) {
    int status = 0;
    const Clock::time_point start = Clock::now();
    const std::string output = RunCommand(command, status);
    const Clock::duration elapsed = Clock::now() - start;
    if (status != 0 || output.find(summary) != 0) {
      state.SkipWithError(("quorax failed: " + output).c_str());
      return;
    }
    state.SetIterationTime(Seconds(elapsed));
    seconds += Seconds(elapsed);
  }
  const auto iterations = static_cast<double>(state.iterations());
  const double cpu = (ProcessCpuMilliseconds() - cpu_start) / iterations;
  const double command_cpu = (ChildrenCpuMilliseconds() - children_start) / iterations;
  seconds /= iterations;
  bench->command_line.Add(seconds, command_cpu);
  bench->command_line_server.Add(seconds, cpu);
  state.counters["rows_per_s"] = kRows / seconds;
  state.counters["command_cpu_ms"] = command_cpu;
  std::ifstream peak(peak_file);
  for (std::string line; std::getline(peak, line);)
    bench->peak_mib = std::atof(line.c_str()) / 1024;
  state.counters["peak_MiB"] = bench->peak_mib;
  state.counters["process_cpu_ms"] = cpu;
}

BENCHMARK(BM_BareClient)
    ->ArgName("download")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommandLine)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void PrintLine(const char* name, const Tally& tally, const char* cpu_name) {
  if (tally.Seconds() <= 0) return;
  std::printf("  %-34s %8.0f rows/s  (%.2f s; %s %.0f ms)\n", name, kRows / tally.Seconds(),
              tally.Seconds(), cpu_name, tally.CpuMilliseconds());
}

void PrintRatio(const char* name, const Tally& numerator, const Tally& denominator) {
  if (numerator.Seconds() > 0 && denominator.Seconds() > 0)
    std::printf("  %-34s %8.3f\n", name, numerator.Seconds() / denominator.Seconds());
}

void PrintSummary() {
  std::printf(
      "\n%d rows in %zu uploads of at most %zu bytes, verified (median time, mean CPU time per "
      "file):\n",
      kRows, bench->bodies.size(), kBodySize);
  PrintLine("bare client, upload only", bench->bare, "CPU of server and client");
  PrintLine("bare client, upload and download", bench->bare_download, "CPU of server and client");
  PrintLine("command line (quorax verify)", bench->command_line, "CPU of the command");
  std::printf("  %-34s %8s          (CPU of the server %.0f ms; peak memory %.1f MiB)\n", "", "",
              bench->command_line_server.CpuMilliseconds(), bench->peak_mib);
  PrintRatio("command line / bare upload only", bench->command_line, bench->bare);
  PrintRatio("command line / bare with download", bench->command_line, bench->bare_download);
  PrintRatio("bare with / without download", bench->bare_download, bench->bare);
  // The command's own CPU time against the server's time: a floor of what it
  // adds that the machine's load barely moves.
  if (bench->bare.Seconds() > 0) {
    std::printf("  %-34s %8.3f\n", "CPU of the command / bare upload",
                bench->command_line.CpuMilliseconds() / 1e3 / bench->bare.Seconds());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto status = quorax::bench::InitializeBenchmarks("cli_bench", argc, argv, 8)) {
    return *status;
  }
  setenv("QUORAX_PASSWORD", "demo", 1);
  Bench state;
  state.file_path = state.dir.Path("run.csv");
  const std::string file = TheFile();
  state.dir.Write("run.csv", file);
  state.bodies = UploadBodies(file);
  state.server = std::make_unique<quorax::bench::BenchServer>();
  bench = &state;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  state.server.reset();
  PrintSummary();
  bench = nullptr;
  return 0;
}
