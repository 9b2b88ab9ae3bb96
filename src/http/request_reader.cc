#include "http/request_reader.h"

#include <algorithm>
#include <cassert>

#include "common/errors.h"
#include "common/spool_file.h"
#include "http/pages.h"

namespace quorax {

namespace {

Reply Unreadable(const std::string& start_link) {
  return RefusalPage(400, "Bad request", "The server could not read the request.", start_link);
}

}  // namespace

void RequestReader::Begin() {
  parser_.emplace();
  parser_->header_limit(static_cast<uint32_t>(std::min<size_t>(header_limit_, UINT32_MAX)));
  // The header decides which limit applies; a declared length is held to it
  // in ChooseBodyLimit.
  body_limit_ = spooling_.accepts ? std::max(max_body_, spooling_.max_body) : max_body_;
  parser_->body_limit(static_cast<uint64_t>(body_limit_));
  spooled_ = false;
  body_file_.reset();
  chunk_limits_.reset();
  scanned_ = 0;
  skipped_ = 0;
  header_done_ = false;
  refusal_.reset();
}

RequestReader::Progress RequestReader::Read(beast::flat_buffer& buffer) {
  try {
    return header_done_ ? ReadBody(buffer) : ReadHeader(buffer);
  } catch (const SpoolFull& full) {
    return RefuseNoRoom(full);
  } catch (const PlatformFailure&) {
    throw;
  } catch (const std::exception&) {
    // A field the parser cannot hold (one over 64 KiB, say) raises.
    return Refuse(Unreadable(start_link_));
  }
}

bool RequestReader::SkipEmptyLines(beast::flat_buffer& buffer) {
  if (parser_->got_some()) return true;
  const std::string_view bytes(static_cast<const char*>(buffer.data().data()), buffer.size());
  size_t at = 0;
  while (at < bytes.size()) {
    if (bytes[at] == '\n') {
      at += 1;
    } else if (bytes.substr(at, 2) == "\r\n") {
      at += 2;
    } else {
      break;  // the request line, or a CR whose LF is still to come
    }
  }
  buffer.consume(at);
  skipped_ += at;
  return skipped_ <= header_limit_;
}

// The parser sees a header only once it is here whole and within the limit,
// so the limit holds to the byte however the bytes arrive.
RequestReader::Progress RequestReader::ReadHeader(beast::flat_buffer& buffer) {
  if (!SkipEmptyLines(buffer)) return RefuseLargeHeader();
  const std::string_view bytes(static_cast<const char*>(buffer.data().data()), buffer.size());
  const size_t end = HeaderEnd(bytes);
  if (std::min(end, bytes.size()) > header_limit_) return RefuseLargeHeader();
  if (end == std::string_view::npos) return Progress::kNeedMore;
  if (HasFoldedLine(bytes.substr(0, end))) {
    return Refuse(AmbiguousRequest(start_link_));
  }
  beast::error_code error;
  const size_t used = parser_->put(buffer.data(), error);
  buffer.consume(used);
  if (error == http::error::need_more) return Progress::kNeedMore;
  if (error == http::error::body_limit && spooling_.accepts && SpoolsTarget())
    return Refuse(spooling_.too_large);
  if (error)
    return Refuse(
        ReadRefusal(error, start_link_, upload_form_link_).value_or(Unreadable(start_link_)));
  header_done_ = true;
  if (std::optional<Reply> refusal = FramingRefusal(parser_->get(), start_link_))
    return Refuse(*refusal);
  if (std::optional<Reply> refusal = EncodingRefusal(*parser_, start_link_))
    return Refuse(*refusal);
  if (std::optional<Progress> refused = ChooseBodyLimit()) return *refused;
  if (!parser_->is_done() && parser_->chunked()) {
    chunk_limits_.emplace(body_limit_, header_limit_ - std::min(header_limit_, used));
  }
  parser_->eager(true);
  if (spooled_) return Progress::kSpoolAsked;
  return parser_->is_done() ? Progress::kComplete : Progress::kHeaderDone;
}

RequestReader::Progress RequestReader::StartSpool() {
  assert(spooled_ && !body_file_);
  try {
    body_file_ = std::make_shared<SpoolFile>(parser_->content_length().value_or(0));
  } catch (const SpoolFull& full) {
    return RefuseNoRoom(full);
  }
  return parser_->is_done() ? Progress::kComplete : Progress::kHeaderDone;
}

RequestReader::Progress RequestReader::ReadBody(beast::flat_buffer& buffer) {
  if (chunk_limits_) {
    const std::string_view fresh(static_cast<const char*>(buffer.data().data()) + scanned_,
                                 buffer.size() - scanned_);
    scanned_ = buffer.size();
    switch (chunk_limits_->Scan(fresh)) {
      case ChunkedBodyLimits::Verdict::kLineTooLong:
        return Refuse(RefusalPage(400, "Bad request", "A chunk header is longer than 4096 bytes.",
                                  start_link_));
      case ChunkedBodyLimits::Verdict::kTrailerTooLarge:
        return RefuseLargeHeader();
      case ChunkedBodyLimits::Verdict::kBodyTooLarge:
        return Refuse(
            spooled_
                ? spooling_.too_large
                : ReadRefusal(http::error::body_limit, start_link_, upload_form_link_).value());
      case ChunkedBodyLimits::Verdict::kMore:
      case ChunkedBodyLimits::Verdict::kEnd:
        break;
    }
  }
  if (buffer.size() == 0) return Progress::kNeedMore;
  beast::error_code error;
  const size_t used = parser_->put(buffer.data(), error);
  buffer.consume(used);
  scanned_ -= std::min(scanned_, used);
  if (body_file_) SpoolBody();
  if (error == http::error::need_more) {
    // The limits above keep a line short; this holds whatever the parser
    // and they disagree on.
    if (buffer.size() > header_limit_ + kMaxChunkLine) return Refuse(Unreadable(start_link_));
    return Progress::kNeedMore;
  }
  if (error)
    return Refuse(
        ReadRefusal(error, start_link_, upload_form_link_).value_or(Unreadable(start_link_)));
  return parser_->is_done() ? Progress::kComplete : Progress::kNeedMore;
}

std::optional<RequestReader::Progress> RequestReader::ChooseBodyLimit() {
  spooled_ = spooling_.accepts && parser_->get().method() == http::verb::post && SpoolsTarget();
  body_limit_ = spooled_ ? spooling_.max_body : max_body_;
  const boost::optional<uint64_t> length = parser_->content_length();
  if (length && *length > body_limit_) {
    return Refuse(
        spooled_ ? spooling_.too_large
                 : ReadRefusal(http::error::body_limit, start_link_, upload_form_link_).value());
  }
  parser_->body_limit(static_cast<uint64_t>(body_limit_));
  return std::nullopt;
}

void RequestReader::SpoolBody() {
  std::string& body = parser_->get().body();
  body_file_->Append(body);
  body.clear();
}

RequestReader::Progress RequestReader::Refuse(Reply reply) {
  body_file_.reset();  // a refused body's bytes are given back at once
  refusal_ = std::move(reply);
  return Progress::kRefused;
}

RequestReader::Progress RequestReader::RefuseNoRoom(const std::exception& full) {
  return Refuse(
      RefusalPage(507, "The request could not be completed", full.what(), upload_form_link_));
}

RequestReader::Progress RequestReader::RefuseLargeHeader() {
  return Refuse(ReadRefusal(http::error::header_limit, start_link_, upload_form_link_).value());
}

WireRequest& RequestReader::request() {
  assert(parser_ && header_done_);
  return parser_->get();
}

std::string_view RequestReader::method() const {
  if (!parser_) return {};
  beast::string_view method = parser_->get().method_string();
  return {method.data(), method.size()};
}

bool RequestReader::SpoolsTarget() const {
  assert(spooling_.accepts);
  return spooling_.accepts(TargetPath(target()), TargetQuery(target()));
}

std::string_view RequestReader::target() const {
  if (!parser_) return {};
  beast::string_view target = parser_->get().target();
  return {target.data(), target.size()};
}

Reply RequestReader::TakeRefusal() {
  assert(refusal_);
  return std::move(*refusal_);
}

}  // namespace quorax
