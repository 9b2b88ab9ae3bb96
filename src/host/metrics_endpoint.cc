#include "host/metrics_endpoint.h"

#include "metrics/metrics.h"

namespace quorax {

namespace {

Reply PlainReply(unsigned status, std::string body) {
  Reply reply;
  reply.status = status;
  reply.headers.emplace_back("Content-Type", "text/plain; charset=utf-8");
  reply.body = std::move(body);
  reply.probe = true;
  return reply;
}

}  // namespace

void MetricsEndpoint::Handle(Request request, const Done& done) {
  if (request.path != "/metrics") {
    return done(PlainReply(404, "This listener serves only /metrics."));
  }
  if (request.method != "GET") {
    Reply reply = PlainReply(405, "Only GET is answered here.");
    reply.headers.emplace_back("Allow", "GET");
    return done(std::move(reply));
  }
  metrics::SetLiveSessions(sessions_.Count());
  Reply reply = PlainReply(200, metrics::Scrape());
  reply.headers.front().second = metrics::kScrapeContentType;
  done(std::move(reply));
}

}  // namespace quorax
