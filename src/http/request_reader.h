#ifndef QUORAX_HTTP_REQUEST_READER_H_
#define QUORAX_HTTP_REQUEST_READER_H_

// Boost 1.74's Asio needs <utility> first under C++20.
#include <utility>

#include <boost/beast/core/flat_buffer.hpp>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "http/http_framing.h"
#include "http/http_messages.h"
#include "http/transport_options.h"

namespace quorax {

// Reads one request at a time from the bytes a connection received, within
// the limits on header and body: a header must end within `header_limit`
// bytes; a chunked body's framing is held to ChunkedBodyLimits, its trailer
// counting against the header limit. Empty lines (CR LF, or a bare LF)
// before the request line are skipped, up to `header_limit` bytes of them.
// What the bytes hold never raises: every fault, an exception of the parser
// included, becomes a refusal page.
class RequestReader {
 public:
  enum class Progress {
    kNeedMore,    // the request is not complete: append bytes and read again
    kHeaderDone,  // the header is read and acceptable; the body is still to come
    // The header is read and asks for its body to go to a spool file, which
    // is not made yet: StartSpool() reads the body; else the request is
    // answered without it and the connection must close after.
    kSpoolAsked,
    kComplete,  // request() is whole
    kRefused,   // TakeRefusal() answers it; the connection must close after
  };

  // Refusal pages link back to `start_link`, that of a body too large to
  // `upload_form_link`. A request `spooling` accepts may carry a body up to
  // its limit, written to a file as it comes.
  RequestReader(size_t header_limit, size_t max_body, std::string start_link,
                std::string upload_form_link, BodySpooling spooling = {})
      : header_limit_(header_limit),
        max_body_(max_body),
        start_link_(std::move(start_link)),
        upload_form_link_(std::move(upload_form_link)),
        spooling_(std::move(spooling)) {}

  // Forgets the request read so far and starts the next one.
  void Begin();

  // Parses what `buffer` holds of the request, consuming the bytes used; the
  // bytes of a following request stay. Returns kHeaderDone or kSpoolAsked
  // once per request. Bytes held but not yet parsed stay bounded by the
  // limits. A spool with no room refuses the request with status 507; a
  // spool file the disk fails to write raises PlatformFailure.
  Progress Read(beast::flat_buffer& buffer);

  // REQUIRES: Read() returned kSpoolAsked. Makes the body's spool file and
  // returns kHeaderDone (read on with Read()), kComplete for an empty body,
  // or kRefused (507) when the spool has no room for the declared length.
  // Raises PlatformFailure when the file cannot be made.
  Progress StartSpool();

  // REQUIRES: Read() returned kHeaderDone or kComplete. The request, whole
  // after kComplete, until Begin().
  WireRequest& request();
  // The method and target as far as the header was parsed ("" before).
  std::string_view method() const;
  std::string_view target() const;
  // REQUIRES: Read() returned kRefused.
  Reply TakeRefusal();
  // The file holding the body of a spooled request after kComplete (its
  // string body is then empty); null for any other request.
  std::shared_ptr<SpoolFile> TakeBodyFile() { return std::move(body_file_); }

 private:
  Progress ReadHeader(beast::flat_buffer& buffer);
  // Consumes the empty lines at the front of `buffer` while no byte of the
  // request line has come. Returns false once they pass the header limit.
  bool SkipEmptyLines(beast::flat_buffer& buffer);
  Progress ReadBody(beast::flat_buffer& buffer);
  Progress Refuse(Reply reply);
  // Refuses a header (or a chunked body's trailer) over the header limit.
  Progress RefuseLargeHeader();
  // Once the header is read: the body limit of this request, and whether
  // spooling accepts it. Refuses a declared length over the limit.
  std::optional<Progress> ChooseBodyLimit();
  // True when the spooling's `accepts` takes the target read so far.
  // REQUIRES: spooling_.accepts is set.
  bool SpoolsTarget() const;
  // Moves what the parser holds of a spooled body to its file.
  void SpoolBody();
  // The refusal of a body the spool has no room for, saying `full`.
  Progress RefuseNoRoom(const std::exception& full);

  const size_t header_limit_;
  const size_t max_body_;
  const std::string start_link_;
  const std::string upload_form_link_;
  const BodySpooling spooling_;
  size_t body_limit_ = 0;  // of the request being read
  bool spooled_ = false;   // the request's body goes to a spool file
  std::shared_ptr<SpoolFile> body_file_;
  std::optional<http::request_parser<http::string_body>> parser_;
  std::optional<ChunkedBodyLimits> chunk_limits_;  // of a chunked body
  size_t scanned_ = 0;  // bytes at the buffer's front already seen by chunk_limits_
  size_t skipped_ = 0;  // bytes of empty lines skipped before the request line
  bool header_done_ = false;
  std::optional<Reply> refusal_;
};

}  // namespace quorax

#endif  // QUORAX_HTTP_REQUEST_READER_H_
