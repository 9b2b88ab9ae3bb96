#include "metrics/metrics.h"

#include <prometheus/counter.h>
#include <prometheus/gauge.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

#include <array>
#include <memory>

namespace quorax::metrics {

namespace {

using prometheus::BuildCounter;
using prometheus::Counter;

// Every labelled series is created up front, so that a scrape shows each at
// zero before its first event and rates are defined from the start.
struct Set {
  Set();

  std::shared_ptr<prometheus::Registry> registry = std::make_shared<prometheus::Registry>();
  std::array<Counter*, 5> responses{};  // 1xx..5xx
  std::array<Counter*, 3> sign_ins{};   // by SignInOutcome
  std::array<Counter*, 2> uploads{};    // by UploadMode
  std::array<Counter*, 4> rows{};       // passed, rejected, database failure, not processed
  std::array<prometheus::Histogram*, 2> upload_seconds{};  // by UploadMode
  Counter* database_failures = nullptr;
  Counter* evictions = nullptr;
  prometheus::Gauge* live_sessions = nullptr;
  prometheus::Gauge* kept_connections = nullptr;
};

Set::Set() {
  auto& response_family = BuildCounter()
                              .Name("quorax_http_responses_total")
                              .Help("HTTP responses sent, by status class")
                              .Register(*registry);
  const char* classes[] = {"1xx", "2xx", "3xx", "4xx", "5xx"};
  for (size_t i = 0; i < responses.size(); ++i) {
    responses[i] = &response_family.Add({{"class", classes[i]}});
  }
  auto& sign_in_family = BuildCounter()
                             .Name("quorax_sign_ins_total")
                             .Help("Sign-in attempts, by outcome")
                             .Register(*registry);
  const char* outcomes[] = {"accepted", "refused", "throttled"};
  for (size_t i = 0; i < sign_ins.size(); ++i) {
    sign_ins[i] = &sign_in_family.Add({{"outcome", outcomes[i]}});
  }
  auto& upload_family =
      BuildCounter().Name("quorax_uploads_total").Help("Upload runs, by mode").Register(*registry);
  auto& seconds_family = prometheus::BuildHistogram()
                             .Name("quorax_upload_duration_seconds")
                             .Help("Time from the start of an upload run to its end")
                             .Register(*registry);
  const prometheus::Histogram::BucketBoundaries bounds{0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30};
  const char* modes[] = {"verify", "import"};
  for (size_t i = 0; i < uploads.size(); ++i) {
    uploads[i] = &upload_family.Add({{"mode", modes[i]}});
    upload_seconds[i] = &seconds_family.Add({{"mode", modes[i]}}, bounds);
  }
  auto& row_family = BuildCounter()
                         .Name("quorax_upload_rows_total")
                         .Help("Uploaded data rows, by outcome")
                         .Register(*registry);
  const char* row_outcomes[] = {"passed", "rejected", "database_failure", "not_processed"};
  for (size_t i = 0; i < rows.size(); ++i)
    rows[i] = &row_family.Add({{"outcome", row_outcomes[i]}});
  database_failures = &BuildCounter()
                           .Name("quorax_database_connection_failures_total")
                           .Help(
                               "Database connections that failed for a reason other than "
                               "refused credentials")
                           .Register(*registry)
                           .Add({});
  evictions = &BuildCounter()
                   .Name("quorax_session_evictions_total")
                   .Help("Sessions ended before their timeout to make room")
                   .Register(*registry)
                   .Add({});
  live_sessions = &prometheus::BuildGauge()
                       .Name("quorax_sessions_live")
                       .Help("Sessions held by the server")
                       .Register(*registry)
                       .Add({});
  kept_connections = &prometheus::BuildGauge()
                          .Name("quorax_database_connections_kept")
                          .Help("Database connections kept open between a session's requests")
                          .Register(*registry)
                          .Add({});
}

Set& TheSet() {
  static Set set;
  return set;
}

}  // namespace

void SignIn(SignInOutcome outcome) { TheSet().sign_ins[static_cast<size_t>(outcome)]->Increment(); }

void Upload(UploadMode mode, double seconds, const RowCounts& rows) {
  Set& set = TheSet();
  const auto index = static_cast<size_t>(mode);
  set.uploads[index]->Increment();
  set.upload_seconds[index]->Observe(seconds);
  set.rows[0]->Increment(static_cast<double>(rows.passed));
  set.rows[1]->Increment(static_cast<double>(rows.rejected));
  set.rows[2]->Increment(static_cast<double>(rows.database_failure));
  set.rows[3]->Increment(static_cast<double>(rows.not_processed));
}

void Response(unsigned status) {
  const size_t index = status >= 100 && status < 600 ? status / 100 - 1 : 4;
  TheSet().responses[index]->Increment();
}

void DatabaseConnectionFailure() { TheSet().database_failures->Increment(); }

void SessionEvicted() { TheSet().evictions->Increment(); }

void SetLiveSessions(size_t count) { TheSet().live_sessions->Set(static_cast<double>(count)); }

void SetKeptConnections(size_t count) {
  TheSet().kept_connections->Set(static_cast<double>(count));
}

std::string Scrape() {
  return prometheus::TextSerializer().Serialize(TheSet().registry->Collect());
}

}  // namespace quorax::metrics
