// Verifies a full-size upload (a 32,767-byte multipart body of valid rows)
// through the real server: HTTP over loopback to an in-process server, a
// signed-in session, the real database; verifying sends the rows pipelined.
// It does so warm (the session's database connection kept from its previous
// request) and cold (a server that connects for every request), and times a
// one-row upload both ways too. Beside it, it imports a full-size upload through the server, which
// sends the inserts pipelined in transactions. In the same run it measures, for the verified rows,
// (a) a bare libpq client making the same prepared CALLs one after the other, and (b) one
// server-side statement calling the procedure per row, sent through psql, and (c) the database
// layer's pipelined verify on its own, without HTTP, with its connection set-up apart; for the
// imported rows, (d) one server-side statement calling the insert procedure per row, in a
// transaction rolled back afterwards. It prints the times and the ratios.
//
// Needs QUORAX_TEST_DSN (the test-case database with the demo data and the
// login demo/demo); without it the run is skipped with a message. The import
// needs QUORAX_TEST_ADMIN_DSN as well, to remove the imported rows after each
// upload; without it the import is skipped.

#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_server.h"
#include "tcdb/tcdb.h"
#include "testing/web_browser.h"

namespace {

using quorax::bench::RunCommand;
using quorax::bench::ShellQuoted;

using Clock = std::chrono::steady_clock;

constexpr size_t kBodySize = 32767;
constexpr char kBoundary[] = "----WebKitFormBoundaryBq7Lw2xWzR4kT9sd";
constexpr char kUser[] = "demo";
constexpr char kPassword[] = "demo";

double Milliseconds(Clock::duration elapsed) {
  return std::chrono::duration<double, std::milli>(elapsed).count();
}

// CPU time used so far by every thread of this process (the in-process
// server's included), in milliseconds.
double ProcessCpuMilliseconds() {
  timespec used{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  return static_cast<double>(used.tv_sec) * 1e3 + static_cast<double>(used.tv_nsec) / 1e6;
}

// One row that the demo data accepts: test cases 1 to 24 run on these
// platform and browser pairs, and nothing is recorded on the date.
// kImportDates: the dates of imported rows, one a day from kFirstImportDate
// on, so that no two rows of a file record the same execution.
struct Row {
  std::vector<std::string> cells;  // TCID, TestDate, Version, Platform, Browser,
                                   // Result, Tester, PR, Notes

  std::string Csv() const {
    std::string line;
    for (const std::string& cell : cells) line += (line.empty() ? "" : ",") + cell;
    return line + "\r\n";
  }
};

constexpr char kFirstImportDate[] = "1980-01-01";
constexpr char kLastImportDate[] = "1982-12-31";

std::string ImportDate(int n) {
  using namespace std::chrono;
  const year_month_day date{sys_days{1980y / 1 / 1} + days{n}};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

Row ValidRow(int n, size_t notes_length, bool import) {
  static const char* const kPairs[][2] = {
      {"Windows 10", "Chrome"}, {"Windows 11", "Edge"}, {"Windows 11", "Firefox"},
      {"macOS 14", "Safari"},   {"macOS 14", "Chrome"}, {"Ubuntu 22.04", "Firefox"},
  };
  static const char* const kTesters[] = {"alice", "bob", "carol", "dave"};
  static const char* const kVersions[] = {"1.0", "1.1", "2.0", "2.1"};
  static const char* const kResults[] = {"P", "F", "U"};
  const auto& pair = kPairs[n % 6];
  std::string notes = "Run " + std::to_string(n) + " ";
  notes.resize(notes_length, 'n');
  return Row{{std::to_string(n % 24 + 1), import ? ImportDate(n) : "2023-05-10", kVersions[n % 4],
              pair[0], pair[1], kResults[n % 3], kTesters[n % 4],
              n % 5 == 0 ? "PR-" + std::to_string(n) : "", notes}};
}

// The upload: a browser's multipart body of exactly kBodySize bytes, and the
// rows its file holds.
struct Upload {
  std::string body;
  std::vector<Row> rows;
};

// `rows` valid rows (all of them when 0) in a body of at most kBodySize bytes,
// full size when `rows` is 0.
Upload MakeUpload(bool import, size_t rows = 0) {
  constexpr size_t kNotesLength = 52;  // rows of about 99 bytes: some 330 of them
  const std::string prefix =
      std::string("--") + kBoundary +
      "\r\nContent-Disposition: form-data; name=\"csvfile\"; filename=\"run.csv\"\r\n"
      "Content-Type: text/csv\r\n\r\n"
      "TCID,TestDate,Version,Platform,Browser,Result,Tester,PR,Notes\r\n";
  const std::string suffix = std::string("\r\n--") + kBoundary + "--\r\n";
  Upload upload;
  std::string file;
  for (int n = 0;; ++n) {
    const size_t used = prefix.size() + file.size() + suffix.size();
    if (rows != 0 && upload.rows.size() == rows) break;
    if (used + 2 * ValidRow(n, kNotesLength, import).Csv().size() > kBodySize) {
      // The last row's notes fill the body to the last byte.
      const size_t room = kBodySize - used - ValidRow(n, 0, import).Csv().size();
      upload.rows.push_back(ValidRow(n, room, import));
      file += upload.rows.back().Csv();
      break;
    }
    upload.rows.push_back(ValidRow(n, kNotesLength, import));
    file += upload.rows.back().Csv();
  }
  upload.body = prefix + file + suffix;
  if (rows == 0 && upload.body.size() != kBodySize) {
    throw std::logic_error("the upload is not full size");
  }
  return upload;
}

const Upload& TheUpload() {
  static const Upload upload = MakeUpload(false);
  return upload;
}

const Upload& TheImport() {
  static const Upload upload = MakeUpload(true);
  return upload;
}

const Upload& OneRow() {
  static const Upload upload = MakeUpload(false, 1);
  return upload;
}

using quorax::bench::Env;

std::string TesterDsn() {
  return Env("QUORAX_TEST_DSN") + " user=" + kUser + " password=" + kPassword;
}

// Milliseconds per upload over every iteration of every run of one
// measurement, for the summary.
class Tally {
 public:
  void Add(double total_ms, int64_t uploads) {
    sum_ += total_ms;
    count_ += uploads;
  }
  double Mean() const { return count_ == 0 ? 0 : sum_ / static_cast<double>(count_); }

 private:
  double sum_ = 0;
  int64_t count_ = 0;
};

struct Tallies {
  Tally server;       // warm: the session's connection kept
  Tally server_cold;  // a server that connects for every request
  Tally one_row;
  Tally one_row_cold;
  Tally server_cpu;  // CPU time of the whole process: server and browser, warm
  Tally import;
  Tally libpq;
  Tally libpq_calls;
  Tally libpq_cpu;
  Tally tcdb;
  Tally tcdb_calls;
  Tally psql_statement;
  Tally psql_process;  // the whole psql run: start, sign-in, statement
  Tally psql_import;   // (d), the statement alone
  Tally psql_import_process;
} tallies;

// The real server with the real application on a free loopback port, keeping
// at most `kept_connections` database connections, and a browser signed in as
// the demo tester.
class ServedApplication {
 public:
  explicit ServedApplication(size_t kept_connections) : server_(kept_connections) {
    browser_ = std::make_unique<quorax::testkit::WebBrowser>(server_.port());
    browser_->Get("/Quorax.asp");
    const quorax::testkit::HttpResponse form =
        browser_->Post("/Quorax.asp?WCI=SubmitCSV&WCU=", "application/x-www-form-urlencoded",
                       std::string("uid=") + kUser + "&pwd=" + kPassword);
    if (form.status != 200) throw std::runtime_error("the demo login was refused");
  }

  // Posts `upload` for verifying, or for importing when `import`; returns
  // an empty text when every row passed, or what went wrong. The upload form
  // is opened again afterwards, outside what the caller times, as a tester
  // returning to the main menu does.
  std::string Send(bool import, const Upload& upload, Clock::duration& elapsed) {
    const Clock::time_point start = Clock::now();
    const quorax::testkit::HttpResponse page = browser_->Post(
        import ? "/Quorax.asp?WCI=ImportCSV&WCU=&i=1" : "/Quorax.asp?WCI=ImportCSV&WCU=",
        std::string("multipart/form-data; boundary=") + kBoundary, upload.body);
    elapsed = Clock::now() - start;
    browser_->Get("/Quorax.asp?WCI=SubmitCSV&WCU=");
    if (page.status != 200) return "status " + std::to_string(page.status) + ": " + page.body;
    const char* passed = import ? "All rows have been imported successfully"
                                : "All rows have been verified and are Ok";
    if (page.body.find(passed) == std::string::npos) {
      return "not every row passed: " + page.body.substr(0, 2000);
    }
    return "";
  }

 private:
  quorax::bench::BenchServer server_;
  std::unique_ptr<quorax::testkit::WebBrowser> browser_;
};

std::unique_ptr<ServedApplication> served;       // keeps connections: warm
std::unique_ptr<ServedApplication> served_cold;  // connects for every request

// Verifies `upload` through the warm server, or the cold one for an argument
// of 0; adds the mean to `warm` or `cold`. Returns the milliseconds in all.
double VerifyThroughServer(benchmark::State& state, const Upload& upload, Tally& warm,
                           Tally& cold) {
  const bool is_warm = state.range(0) == 1;
  double total = 0;
  for (auto _ : state) {
    Clock::duration elapsed{};
    const std::string failure = (is_warm ? served : served_cold)->Send(false, upload, elapsed);
    if (!failure.empty()) {
      state.SkipWithError(failure.c_str());
      return total;
    }
    state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    total += Milliseconds(elapsed);
  }
  (is_warm ? warm : cold).Add(total, state.iterations());
  return total;
}

void BM_ServerVerifiesUpload(benchmark::State& state) {
  const double cpu_start = ProcessCpuMilliseconds();
  VerifyThroughServer(state, TheUpload(), tallies.server, tallies.server_cold);
  if (state.error_occurred()) return;
  const double cpu = ProcessCpuMilliseconds() - cpu_start;
  if (state.range(0) == 1) tallies.server_cpu.Add(cpu, state.iterations());
  state.counters["process_cpu_ms"] = cpu / static_cast<double>(state.iterations());
  state.counters["rows"] = static_cast<double>(TheUpload().rows.size());
  state.counters["bytes"] = static_cast<double>(TheUpload().body.size());
}

void BM_ServerVerifiesOneRow(benchmark::State& state) {
  VerifyThroughServer(state, OneRow(), tallies.one_row, tallies.one_row_cold);
}

void ImportedRowsRemoved();

void BM_ServerImportsUpload(benchmark::State& state) {
  if (Env("QUORAX_TEST_ADMIN_DSN").empty()) {
    state.SkipWithError("QUORAX_TEST_ADMIN_DSN is not set: the imported rows cannot be removed");
    return;
  }
  double total = 0;
  for (auto _ : state) {
    Clock::duration elapsed{};
    ImportedRowsRemoved();
    const std::string failure = served->Send(true, TheImport(), elapsed);
    if (!failure.empty()) {
      state.SkipWithError(failure.c_str());
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    total += Milliseconds(elapsed);
  }
  ImportedRowsRemoved();
  tallies.import.Add(total, state.iterations());
}

struct PgFinish {
  void operator()(PGconn* conn) const { PQfinish(conn); }
};
struct PgClear {
  void operator()(PGresult* result) const { PQclear(result); }
};
using PgConn = std::unique_ptr<PGconn, PgFinish>;
using PgResult = std::unique_ptr<PGresult, PgClear>;

// Removes the rows that importing TheImport() recorded.
void ImportedRowsRemoved() {
  PgConn conn(PQconnectdb(Env("QUORAX_TEST_ADMIN_DSN").c_str()));
  const std::string sql = std::string("DELETE FROM tcdb.results WHERE test_date BETWEEN '") +
                          kFirstImportDate + "' AND '" + kLastImportDate + "'";
  PgResult result(PQexec(conn.get(), sql.c_str()));
  if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
    throw std::runtime_error("cannot remove the imported rows: " +
                             std::string(PQerrorMessage(conn.get())));
  }
}

// One file's work for a bare client: connect as the tester, prepare the call
// the server makes, call it once per row in order, disconnect. Returns an
// empty text when every row was verified.
std::string CallPerRow(Clock::duration& connecting, Clock::duration& calling) {
  static const Oid kTypes[] = {23, 23, 1043, 1043, 1043, 1043, 1043, 1043, 1042, 1043};
  const Clock::time_point start = Clock::now();
  PgConn conn(PQconnectdb(TesterDsn().c_str()));
  if (PQstatus(conn.get()) != CONNECTION_OK) return PQerrorMessage(conn.get());
  const Clock::time_point connected = Clock::now();
  PgResult prepared(PQprepare(conn.get(), "verify",
                              "CALL verify_result($1, $2, $3, $4, $5, $6, $7, $8, $9, $10)", 10,
                              kTypes));
  if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) return PQerrorMessage(conn.get());
  for (const Row& row : TheUpload().rows) {
    const char* values[10] = {nullptr};
    for (size_t i = 0; i < row.cells.size(); ++i) values[i + 1] = row.cells[i].c_str();
    PgResult result(PQexecPrepared(conn.get(), "verify", 10, values, nullptr, nullptr, 0));
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) return PQerrorMessage(conn.get());
    if (std::string(PQgetvalue(result.get(), 0, 0)) != "0") {
      return "row " + row.Csv() + " got " + PQgetvalue(result.get(), 0, 0);
    }
  }
  const Clock::time_point called = Clock::now();
  conn.reset();
  connecting = connected - start + (Clock::now() - called);
  calling = called - connected;
  return "";
}

void BM_LibpqCallPerRow(benchmark::State& state) {
  double total = 0;
  double calls = 0;
  const double cpu_start = ProcessCpuMilliseconds();
  for (auto _ : state) {
    Clock::duration connecting{};
    Clock::duration calling{};
    const std::string failure = CallPerRow(connecting, calling);
    if (!failure.empty()) {
      state.SkipWithError(failure.c_str());
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(connecting + calling).count());
    total += Milliseconds(connecting + calling);
    calls += Milliseconds(calling);
  }
  const double cpu = ProcessCpuMilliseconds() - cpu_start;
  tallies.libpq.Add(total, state.iterations());
  tallies.libpq_calls.Add(calls, state.iterations());
  tallies.libpq_cpu.Add(cpu, state.iterations());
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["process_cpu_ms"] = cpu / iterations;
  state.counters["calls_ms"] = calls / iterations;
  state.counters["connect_ms"] = (total - calls) / iterations;
}

// (c): the rows through the database layer as the server sends them, timed
// apart from connecting and disconnecting.
void BM_TcdbPipelined(benchmark::State& state) {
  double total = 0;
  double calls = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    quorax::TCDB database;
    if (database.Connect(Env("QUORAX_TEST_DSN"), kUser, kPassword) != 0) {
      state.SkipWithError("the demo login was refused");
      return;
    }
    std::vector<quorax::ResultRow> rows;
    for (const Row& row : TheUpload().rows) {
      quorax::ResultRow cells;
      for (size_t i = 0; i < quorax::kResultColumns.size(); ++i) {
        cells.*quorax::kResultColumns[i].Cell = row.cells[i];
      }
      rows.push_back(cells);
    }
    const Clock::time_point connected = Clock::now();
    const std::vector<int16_t> codes = database.VerifyResults(rows);
    const Clock::time_point called = Clock::now();
    database.Disconnect();
    const Clock::duration elapsed = Clock::now() - start;
    if (codes != std::vector<int16_t>(rows.size(), 0)) {
      state.SkipWithError(("not every row was verified: " + database.GetErrorString()).c_str());
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    total += Milliseconds(elapsed);
    calls += Milliseconds(called - connected);
  }
  tallies.tcdb.Add(total, state.iterations());
  tallies.tcdb_calls.Add(calls, state.iterations());
  state.counters["calls_ms"] = calls / static_cast<double>(state.iterations());
}

std::string SqlLiteral(const std::string& text) {
  std::string literal = "'";
  for (char c : text) literal += c == '\'' ? std::string("''") : std::string(1, c);
  return literal + "'";
}

// A script for psql: one DO block passing every row of `upload` to
// `procedure` on the server, which reports how many rows it did not pass;
// psql times the block alone. With `rolled_back` the block runs in a
// transaction that is rolled back afterwards, so that nothing stays recorded.
std::string OneStatementScript(const Upload& upload, const char* procedure, bool rolled_back) {
  std::string values;
  for (const Row& row : upload.rows) {
    values += values.empty() ? "(" : ",\n(";
    values += row.cells[0];
    for (size_t i = 1; i < row.cells.size(); ++i) values += ", " + SqlLiteral(row.cells[i]);
    values += ")";
  }
  return std::string(rolled_back ? "BEGIN;\n" : "") +
         "\\timing on\n"
         "DO $$\n"
         "DECLARE\n"
         "  rc integer;\n"
         "  bad integer := 0;\n"
         "  r record;\n"
         "BEGIN\n"
         "  FOR r IN SELECT * FROM (VALUES\n" +
         values +
         ") AS v (id, d, ver, plat, brow, res, tester, pr, notes) LOOP\n"
         "    CALL public." +
         procedure +
         "(rc, r.id, r.d, r.ver, r.plat, r.brow, r.res, r.tester,\n"
         "                              r.pr, r.notes);\n"
         "    IF rc <> 0 THEN bad := bad + 1; END IF;\n"
         "  END LOOP;\n"
         "  RAISE NOTICE 'rows not passed: %', bad;\n"
         "END $$;\n" +
         (rolled_back ? "\\timing off\nROLLBACK;\n" : "");
}

// Runs `script` through psql as the demo tester, timing the statement and
// the whole psql run into `statement_tally` and `process_tally`.
void TimeOneStatement(benchmark::State& state, const std::string& script, Tally& statement_tally,
                      Tally& process_tally) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "quorax-import-bench.sql";
  std::ofstream(path, std::ios::binary) << script;
  const std::string command = "psql -X -q -v ON_ERROR_STOP=1 " + ShellQuoted(TesterDsn()) + " -f " +
                              ShellQuoted(path.string()) + " 2>&1";
  static const std::regex kTime("Time: ([0-9.]+) ms");
  double statement_total = 0;
  double process_total = 0;
  for (auto _ : state) {
    int status = 0;
    const Clock::time_point start = Clock::now();
    const std::string output = RunCommand(command, status);
    const double process = Milliseconds(Clock::now() - start);
    std::smatch time;
    if (status != 0 || output.find("rows not passed: 0") == std::string::npos ||
        !std::regex_search(output, time, kTime)) {
      state.SkipWithError(("psql failed: " + output).c_str());
      std::filesystem::remove(path);
      return;
    }
    const double statement = std::stod(time[1]);
    state.SetIterationTime(statement / 1000);
    statement_total += statement;
    process_total += process;
  }
  std::filesystem::remove(path);
  statement_tally.Add(statement_total, state.iterations());
  process_tally.Add(process_total, state.iterations());
  state.counters["process_ms"] = process_total / static_cast<double>(state.iterations());
}

void BM_PsqlOneStatement(benchmark::State& state) {
  TimeOneStatement(state, OneStatementScript(TheUpload(), "verify_result", false),
                   tallies.psql_statement, tallies.psql_process);
}

// (d): the import's floor, every row of the imported upload inserted by one
// statement on the server, rolled back afterwards.
void BM_PsqlOneImportStatement(benchmark::State& state) {
  TimeOneStatement(state, OneStatementScript(TheImport(), "insert_result", true),
                   tallies.psql_import, tallies.psql_import_process);
}

BENCHMARK(BM_ServerVerifiesUpload)
    ->ArgName("warm")
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1);
BENCHMARK(BM_ServerVerifiesOneRow)
    ->ArgName("warm")
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1);
BENCHMARK(BM_ServerImportsUpload)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_LibpqCallPerRow)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_TcdbPipelined)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_PsqlOneStatement)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_PsqlOneImportStatement)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1);

// A ratio line, when both measurements ran.
void PrintRatio(const char* name, double numerator, double denominator) {
  if (numerator > 0 && denominator > 0)
    std::printf("  %-26s  %8.2f\n", name, numerator / denominator);
}

void PrintSummary() {
  const double server = tallies.server.Mean();
  const double libpq = tallies.libpq.Mean();
  const double calls = tallies.libpq_calls.Mean();
  const double statement = tallies.psql_statement.Mean();
  std::printf(
      "\nOne upload of %zu bytes, %zu rows, verified (mean ms per upload; warm: the\n"
      "session's database connection kept, cold: connected for the request):\n",
      TheUpload().body.size(), TheUpload().rows.size());
  std::printf("  server over HTTP, pipelined %8.2f  (CPU time of the process %.2f)\n", server,
              tallies.server_cpu.Mean());
  std::printf("  the same, cold connection   %8.2f\n", tallies.server_cold.Mean());
  std::printf("  one-row upload, warm        %8.2f  (cold %.2f)\n", tallies.one_row.Mean(),
              tallies.one_row_cold.Mean());
  std::printf("  server import, pipelined    %8.2f  (%zu rows, %zu bytes)\n", tallies.import.Mean(),
              TheImport().rows.size(), TheImport().body.size());
  std::printf(
      "  (a) libpq, call per row     %8.2f  (connect and close %.2f, calls %.2f, CPU time %.2f)\n",
      libpq, libpq - calls, calls, tallies.libpq_cpu.Mean());
  std::printf("  (b) one statement via psql  %8.2f  (whole psql run %.2f)\n", statement,
              tallies.psql_process.Mean());
  const double tcdb = tallies.tcdb.Mean();
  const double tcdb_calls = tallies.tcdb_calls.Mean();
  std::printf("  (d) import, one statement   %8.2f  (whole psql run %.2f; rolled back)\n",
              tallies.psql_import.Mean(), tallies.psql_import_process.Mean());
  std::printf("  (c) database layer, pipelined %6.2f  (connect and close %.2f, calls %.2f)\n", tcdb,
              tcdb - tcdb_calls, tcdb_calls);
  PrintRatio("server / (a)", server, libpq);
  PrintRatio("server / (a) calls only", server, calls);
  PrintRatio("server / (b)", server, statement);
  PrintRatio("server cold / (b)", tallies.server_cold.Mean(), statement);
  PrintRatio("one row cold / warm", tallies.one_row_cold.Mean(), tallies.one_row.Mean());
  PrintRatio("server import / (b)", tallies.import.Mean(), statement);
  PrintRatio("server import / (d)", tallies.import.Mean(), tallies.psql_import.Mean());
  PrintRatio("(c) calls only / (b)", tcdb_calls, statement);
  PrintRatio("(a) / (b)", libpq, statement);
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto status = quorax::bench::InitializeBenchmarks("import_bench", argc, argv, 6)) {
    return *status;
  }
  served = std::make_unique<ServedApplication>(quorax::kDefaultKeptConnections);
  served_cold = std::make_unique<ServedApplication>(0);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  served.reset();
  served_cold.reset();
  PrintSummary();
  return 0;
}
