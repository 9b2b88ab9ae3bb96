#include "http/response_writer.h"

namespace quorax {

namespace {

// A body up to this size goes in the header's write: one TLS record.
constexpr size_t kJoinedBody = 16 * 1024;

}  // namespace

std::shared_ptr<OutgoingResponse> PrepareResponse(HttpResponse response, bool head_only) {
  auto out = std::make_shared<OutgoingResponse>();
  out->response = std::move(response);
  out->bytes = SerializedHeader(out->response);
  out->header_size = out->bytes.size();
  const std::string& body = out->response.body();
  if (head_only) return out;
  if (body.size() <= kJoinedBody) {
    out->bytes += body;
  } else {
    out->rest = body;
  }
  return out;
}

}  // namespace quorax
