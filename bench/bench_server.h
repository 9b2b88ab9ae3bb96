#ifndef QUORAX_BENCH_BENCH_SERVER_H_
#define QUORAX_BENCH_BENCH_SERVER_H_

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testing/live_server.h"
#include "testing/settings_file.h"
#include "web/main.h"

namespace quorax::bench {

// $`name`, or "" when it is not set.
inline std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "" : value;
}

// `text` as one word for the shell, in single quotes.
inline std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs `command` through the shell; returns its output and exit status.
inline std::string RunCommand(const std::string& command, int& status) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (pipe == nullptr) {
    status = -1;
    return "";
  }
  std::string output;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe.get())) > 0;) output.append(chunk, n);
  status = pclose(pipe.release());
  return output;
}

// Initializes Google Benchmark for `program` with `repetitions`
// repetitions that alternate at random, so that a change in the machine's
// load falls on all measurements alike; flags on the command line come later
// and override these. Returns the exit status when the benchmarks are not to
// run: 1 for an unknown flag, 0 (after saying so) without QUORAX_TEST_DSN.
inline std::optional<int> InitializeBenchmarks(const char* program, int argc, char** argv,
                                               int repetitions) {
  std::string repeat = "--benchmark_repetitions=" + std::to_string(repetitions);
  char interleaving[] = "--benchmark_enable_random_interleaving=true";
  std::vector<char*> args{argv[0], repeat.data(), interleaving};
  args.insert(args.end(), argv + 1, argv + argc);
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  if (Env("QUORAX_TEST_DSN").empty()) {
    std::printf(
        "%s: skipped, QUORAX_TEST_DSN is not set (run scripts/db init and eval the output of "
        "scripts/db test-env)\n",
        program);
    return 0;
  }
  return std::nullopt;
}

// The real server and application, running in this process on a free
// loopback port against the test-case database that QUORAX_TEST_DSN reaches,
// without an access log, keeping at most `kept_connections` database
// connections between requests. Stops when destroyed.
class BenchServer {
 public:
  explicit BenchServer(size_t kept_connections = kDefaultKeptConnections)
      : settings_({"Debug=Y", "BaseDir=/", "DSN=" + Env("QUORAX_TEST_DSN")}),
        app_(settings_.path(), SignInThrottle::SteadyClock(), kept_connections),
        server_(app_) {}

  uint16_t port() const { return server_.port(); }

 private:
  SettingsFile settings_;
  main app_;
  testkit::LiveServer server_;
};

}  // namespace quorax::bench

#endif  // QUORAX_BENCH_BENCH_SERVER_H_
