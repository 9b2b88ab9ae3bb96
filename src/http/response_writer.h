#ifndef QUORAX_HTTP_RESPONSE_WRITER_H_
#define QUORAX_HTTP_RESPONSE_WRITER_H_

// Boost 1.74's Asio needs <utility> first under C++20.
#include <utility>

#include <algorithm>
#include <boost/asio/write.hpp>
#include <memory>
#include <string>

#include "common/spool_file.h"
#include "http/http_messages.h"

namespace quorax {

// A response ready to write: the status line and header fields, followed by
// the body when it is small enough to go in the same write, and the body
// otherwise. A connection keeps one and refills it for each response, so
// that its buffer's capacity is reused rather than allocated again.
struct OutgoingResponse {
  std::string bytes;
  size_t header_size = 0;                // of `bytes`, which the body follows
  std::string body;                      // the body when it is written on its own, else empty
  std::shared_ptr<SpoolFile> body_file;  // a file body, written a block at a time
  unsigned status = 0;
  bool keep_alive = false;
};

// Refills `out` with `reply` framed as an HTTP/`version` response, byte for
// byte as Beast's serializer writes the message Beast builds from it: the
// reply's headers (values without CR, LF and surrounding blanks; fields of
// one name kept together), the standard headers in place of any of the same
// name, Connection as `keep_alive` and the version require, and the true
// Content-Length. The reply's own framing headers are dropped. For an answer
// to HEAD (`head_only`) the header keeps the body's Content-Length but no
// body is sent. Raises std::invalid_argument for a status above 999, or a
// body with a status that allows none (1xx, 204, 304).
void FrameResponse(Reply& reply, unsigned version, bool keep_alive, bool head_only,
                   OutgoingResponse& out);

// Writes `out` to `stream`, then calls `done(error, body bytes sent)`; `out`
// must stay as it is until then. Each write passes one contiguous buffer:
// over TLS a gather write sends only its first buffer and reports success.
// Writes the file body of `out` after `sent` bytes of it, a block at a time,
// then calls `done` with the body bytes sent in all.
template <class Stream, class Done>
void WriteFileBody(Stream& stream, const OutgoingResponse& out, std::shared_ptr<FileBlocks> blocks,
                   size_t sent, Done done) {
  const std::string_view block = blocks->Next();
  if (block.empty()) return done(beast::error_code(), sent);
  net::async_write(stream, net::buffer(block.data(), block.size()),
                   [&stream, &out, blocks, sent, done](beast::error_code error, size_t more) {
                     if (error) return done(error, sent + more);
                     WriteFileBody(stream, out, blocks, sent + more, done);
                   });
}

template <class Stream, class Done>
void WriteResponse(Stream& stream, const OutgoingResponse& out, Done done) {
  net::async_write(
      stream, net::buffer(out.bytes), [&stream, &out, done](beast::error_code error, size_t sent) {
        const size_t body_sent = sent - std::min(sent, out.header_size);
        if (!error && out.body_file) {
          return WriteFileBody(stream, out, std::make_shared<FileBlocks>(*out.body_file), 0, done);
        }
        if (error || out.body.empty()) return done(error, body_sent);
        net::async_write(stream, net::buffer(out.body),
                         [done, body_sent](beast::error_code rest_error, size_t rest_sent) {
                           done(rest_error, body_sent + rest_sent);
                         });
      });
}

}  // namespace quorax

#endif  // QUORAX_HTTP_RESPONSE_WRITER_H_
