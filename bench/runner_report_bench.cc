// Converts and verifies a JUnit report of 100,000 test cases through the
// built command line (run as its own process, as CI runs it) against the
// server running in this process. It prints tests per second, the command's
// peak memory, and the share of the verify's time spent reading the report
// (the same read timed in this process).
//
// Needs QUORAX_TEST_DSN (the test-case database with the demo data and the
// login demo/demo); without it the run is skipped with a message.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_server.h"
#include "runners/runner_report.h"
#include "testing/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTests = 100000;

// A report as a JUnit-writing runner leaves it: 100 suites of 1,000 tests,
// each named with its case id (C1 to C24), every tenth failed with a
// two-line message, every 25th skipped.
std::string Report() {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
  for (int suite = 0; suite < kTests / 1000; ++suite) {
    xml += "<testsuite name=\"suite" + std::to_string(suite) +
           "\" timestamp=\"1980-01-02T10:00:00\" tests=\"1000\">\n";
    for (int n = suite * 1000; n < (suite + 1) * 1000; ++n) {
      xml += "  <testcase classname=\"app.suite" + std::to_string(suite) + "\" name=\"test_" +
             std::to_string(n) + "_C" + std::to_string(n % 24 + 1) + "\" time=\"0.01\"";
      if (n % 10 == 0) {
        xml +=
            "><failure message=\"expected 200\">AssertionError: expected 200, got 500\n  at "
            "line 7</failure></testcase>\n";
      } else if (n % 25 == 0) {
        xml += "><skipped message=\"not on this platform\"/></testcase>\n";
      } else {
        xml += "/>\n";
      }
    }
    xml += "</testsuite>\n";
  }
  return xml + "</testsuites>\n";
}

struct Measured {
  int status = -1;
  double seconds = 0;
  double peak_mib = 0;
};

// The peak memory /usr/bin/time wrote to `path` (its last line, in KiB), in MiB.
double PeakMiB(const std::string& path) {
  std::ifstream file(path);
  double kib = 0;
  for (std::string line; std::getline(file, line);) kib = std::atof(line.c_str());
  return kib / 1024;
}

// Runs `args` (the program first), its output to /dev/null, and measures
// it. The peak memory comes from /usr/bin/time: its child starts from a
// small process, while a child of this one would count this one's memory.
Measured Run(const std::vector<std::string>& args, const std::string& peak_file) {
  std::vector<std::string> words = {"/usr/bin/time", "-f", "%M", "-o", peak_file};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  Measured measured;
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
    measured.status = WEXITSTATUS(status);
  }
  measured.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  measured.peak_mib = PeakMiB(peak_file);
  return measured;
}

void Print(const char* name, const Measured& run) {
  std::printf("  %-30s %8.0f tests/s  (%.2f s, exit %d, peak memory %.1f MiB)\n", name,
              kTests / run.seconds, run.seconds, run.status, run.peak_mib);
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto status =
          quorax::bench::InitializeBenchmarks("runner_report_bench", argc, argv, 1)) {
    return *status;
  }
  setenv("QUORAX_PASSWORD", "demo", 1);
  quorax::testkit::TempDir dir;
  const std::string report = Report();
  dir.Write("junit.xml", report);
  const quorax::bench::BenchServer server;
  const std::vector<std::string> fields = {"--product-version", "2.1",    "--platform", "Linux",
                                           "--browser",         "Chrome", "--tester",   "alice"};

  std::vector<std::string> convert = {QUORAX_CLI, "convert", dir.Path("junit.xml"), "--out",
                                      dir.Path("run.csv")};
  convert.insert(convert.end(), fields.begin(), fields.end());
  std::vector<std::string> verify = {
      QUORAX_CLI,
      "verify",
      dir.Path("junit.xml"),
      "--quiet",
      "--user",
      "demo",
      "--url",
      "http://127.0.0.1:" + std::to_string(server.port()) + "/Quorax.asp"};
  verify.insert(verify.end(), fields.begin(), fields.end());
  const Measured converted = Run(convert, dir.Path("convert.peak"));
  const Measured verified = Run(verify, dir.Path("verify.peak"));
  // Every test read back beside its case's row.
  std::vector<std::string> outputs = verify;
  outputs.insert(outputs.end(), {"--json", dir.Path("run.jsonl"), "--junit", dir.Path("run.xml")});
  const Measured shown = Run(outputs, dir.Path("outputs.peak"));

  const Clock::time_point start = Clock::now();
  const size_t tests =
      quorax::runners::ReadReport("junit.xml", report, quorax::runners::Format::JUnit).tests.size();
  const double reading = std::chrono::duration<double>(Clock::now() - start).count();

  std::printf("\nA JUnit report of %d tests (%.1f MiB), one row per case id (24):\n", kTests,
              static_cast<double>(report.size()) / (1 << 20));
  Print("quorax convert", converted);
  Print("quorax verify", verified);
  Print("quorax verify --json --junit", shown);
  std::printf("  %-30s %8.2f s for %zu tests: %.1f%% of the verify\n", "reading the report",
              reading, tests, 100 * reading / verified.seconds);
  return converted.status == 0 && verified.status <= 1 && shown.status <= 1 ? 0 : 1;
}
