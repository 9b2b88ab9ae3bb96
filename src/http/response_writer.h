#ifndef QUORAX_HTTP_RESPONSE_WRITER_H_
#define QUORAX_HTTP_RESPONSE_WRITER_H_

// Boost 1.74's Asio needs <utility> first under C++20.
#include <utility>

#include <algorithm>
#include <boost/asio/write.hpp>
#include <memory>
#include <string>
#include <string_view>

#include "http/http_messages.h"

namespace quorax {

// A response ready to write: the status line and header fields, followed by
// the body when it is small enough to go in the same write, and the body
// otherwise.
struct OutgoingResponse {
  HttpResponse response;
  std::string bytes;
  size_t header_size = 0;  // of `bytes`, which the body follows
  std::string_view rest;   // the body when it is written on its own, else empty
};

// Prepares `response` for WriteResponse. For an answer to HEAD
// (`head_only`) the header keeps the body's Content-Length but no body is sent.
std::shared_ptr<OutgoingResponse> PrepareResponse(HttpResponse response, bool head_only);

// Writes `out` to `stream`, then calls `done(error, body bytes sent)`. Each
// write passes one contiguous buffer: over TLS a gather write sends only its
// first buffer and reports success.
template <class Stream, class Done>
void WriteResponse(Stream& stream, std::shared_ptr<OutgoingResponse> out, Done done) {
  net::const_buffer first = net::buffer(out->bytes);
  net::async_write(stream, first, [&stream, out, done](beast::error_code error, size_t sent) {
    const size_t body_sent = sent - std::min(sent, out->header_size);
    if (error || out->rest.empty()) return done(error, body_sent);
    net::async_write(stream, net::buffer(out->rest.data(), out->rest.size()),
                     [out, done, body_sent](beast::error_code rest_error, size_t rest_sent) {
                       done(rest_error, body_sent + rest_sent);
                     });
  });
}

}  // namespace quorax

#endif  // QUORAX_HTTP_RESPONSE_WRITER_H_
