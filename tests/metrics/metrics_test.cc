#include "metrics/metrics.h"

#include <gtest/gtest.h>

#include <string>

#include "metrics/metric_value.h"

namespace quorax {
namespace {

// The counters are per process, so each check compares against the value
// read before the event.
TEST(MetricsTest, EachEventMovesItsOwnSeriesOnly) {
  const std::string before = metrics::Scrape();
  metrics::SignIn(metrics::SignInOutcome::kThrottled);
  metrics::Response(204);
  metrics::Response(99);
  metrics::DatabaseConnectionFailure();
  metrics::SessionEvicted();
  metrics::SetLiveSessions(7);
  metrics::SetKeptConnections(3);
  metrics::Upload(metrics::UploadMode::kImport, 0.3, {3, 2, 1, 4});
  const std::string after = metrics::Scrape();

  struct Expected {
    const char* series;
    double delta;
  } expected[] = {
      {"quorax_sign_ins_total{outcome=\"throttled\"}", 1},
      {"quorax_sign_ins_total{outcome=\"accepted\"}", 0},
      {"quorax_http_responses_total{class=\"2xx\"}", 1},
      {"quorax_http_responses_total{class=\"5xx\"}", 1},
      {"quorax_http_responses_total{class=\"1xx\"}", 0},
      {"quorax_database_connection_failures_total", 1},
      {"quorax_session_evictions_total", 1},
      {"quorax_uploads_total{mode=\"import\"}", 1},
      {"quorax_uploads_total{mode=\"verify\"}", 0},
      {"quorax_upload_rows_total{outcome=\"passed\"}", 3},
      {"quorax_upload_rows_total{outcome=\"rejected\"}", 2},
      {"quorax_upload_rows_total{outcome=\"database_failure\"}", 1},
      {"quorax_upload_rows_total{outcome=\"not_processed\"}", 4},
      {"quorax_upload_duration_seconds_count{mode=\"import\"}", 1},
      {"quorax_upload_duration_seconds_bucket{mode=\"import\",le=\"0.25\"}", 0},
      {"quorax_upload_duration_seconds_bucket{mode=\"import\",le=\"0.5\"}", 1},
  };
  for (const auto& [series, delta] : expected) {
    ASSERT_GE(MetricValue(before, series), 0) << series;
    EXPECT_EQ(MetricValue(after, series) - MetricValue(before, series), delta) << series;
  }
  EXPECT_EQ(MetricValue(after, "quorax_sessions_live"), 7);
  EXPECT_EQ(MetricValue(after, "quorax_database_connections_kept"), 3);
  EXPECT_NE(after.find("# TYPE quorax_upload_duration_seconds histogram"), std::string::npos);
}

}  // namespace
}  // namespace quorax
