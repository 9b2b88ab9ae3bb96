#ifndef QUORAX_METRICS_METRICS_H_
#define QUORAX_METRICS_METRICS_H_

#include <cstddef>
#include <cstdint>
#include <string>

// The server's operational counters, one set per process. Every call is
// thread-safe, cheap and never raises, so that any subsystem may record an
// event without caring how the numbers are exported.
namespace quorax::metrics {

enum class SignInOutcome {
  kAccepted,   // the database accepted the credentials
  kRefused,    // the database refused them
  kThrottled,  // refused without asking the database: too many recent attempts
};

// Counts one sign-in attempt.
void SignIn(SignInOutcome outcome);

enum class UploadMode { kVerify, kImport };

// What became of the data rows of one upload.
struct RowCounts {
  uint64_t passed = 0;
  uint64_t rejected = 0;
  uint64_t database_failure = 0;
  uint64_t not_processed = 0;
};

// Counts one upload run of `mode` that took `seconds`, and its rows.
void Upload(UploadMode mode, double seconds, const RowCounts& rows);

// Counts one response by its status class ("2xx" for 200..299 and so on;
// statuses outside 100..599 count as "5xx").
void Response(unsigned status);

// Counts a failed attempt to connect to the database for a reason other
// than refused credentials.
void DatabaseConnectionFailure();

// Counts a session ended before its timeout to make room for others.
void SessionEvicted();

// Sets the number of live sessions.
void SetLiveSessions(size_t count);

// Sets the number of database connections kept open between requests.
void SetKeptConnections(size_t count);

// Returns every metric in the Prometheus text exposition format (0.0.4).
std::string Scrape();

// The content type of Scrape's text.
inline constexpr const char* kScrapeContentType = "text/plain; version=0.0.4; charset=utf-8";

}  // namespace quorax::metrics

#endif  // QUORAX_METRICS_METRICS_H_
