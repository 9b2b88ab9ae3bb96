#ifndef QUORAX_HOST_METRICS_ENDPOINT_H_
#define QUORAX_HOST_METRICS_ENDPOINT_H_

#include "http/exchange.h"
#include "sessions/session_store.h"

namespace quorax {

// What the metrics listener answers: the process's metrics for GET
// /metrics, with the live session count of `sessions` read at that moment;
// 404 for any other path and 405 for any other method. Every answer is a
// probe (not access-logged). Thread-safe.
class MetricsEndpoint : public RequestHandler {
 public:
  // `sessions` must outlive the endpoint.
  explicit MetricsEndpoint(const SessionStore& sessions) : sessions_(sessions) {}

  // Calls `done` before returning.
  void Handle(Request request, const Done& done) override;

 private:
  const SessionStore& sessions_;
};

}  // namespace quorax

#endif  // QUORAX_HOST_METRICS_ENDPOINT_H_
