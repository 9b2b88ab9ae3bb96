#include "http/http_framing.h"

#include <algorithm>
#include <cctype>

#include "http/pages.h"

namespace quorax {

namespace {

size_t CountFields(const WireRequest& request, http::field name) {
  auto [first, last] = request.equal_range(name);
  return static_cast<size_t>(std::distance(first, last));
}

}  // namespace

size_t HeaderEnd(std::string_view bytes) {
  size_t start = bytes.find_first_not_of("\r\n");
  if (start == std::string_view::npos) return std::string_view::npos;
  size_t blank = bytes.find("\r\n\r\n", start);
  return blank == std::string_view::npos ? blank : blank + 4;
}

bool HasFoldedLine(std::string_view header) {
  size_t start = header.find_first_not_of("\r\n");
  if (start == std::string_view::npos) return false;
  return header.find("\n ", start) != std::string_view::npos ||
         header.find("\n\t", start) != std::string_view::npos;
}

Reply AmbiguousRequest(const std::string& start_link) {
  return RefusalPage(400, "Bad request", "The request's framing is ambiguous.", start_link);
}

std::optional<Reply> FramingRefusal(const WireRequest& request, const std::string& start_link) {
  const size_t encodings = CountFields(request, http::field::transfer_encoding);
  bool ambiguous = false;
  if (encodings > 0) {
    ambiguous = request.version() < 11 || encodings > 1 ||
                !beast::iequals(request[http::field::transfer_encoding], "chunked") ||
                CountFields(request, http::field::content_length) > 0;
  }
  if (request.version() >= 11 && CountFields(request, http::field::host) != 1) ambiguous = true;
  if (!ambiguous) return std::nullopt;
  return AmbiguousRequest(start_link);
}

ChunkedBodyLimits::Verdict ChunkedBodyLimits::Scan(std::string_view bytes) {
  size_t at = 0;
  while (at < bytes.size() && part_ != Part::kEnd) {
    if (part_ == Part::kData || part_ == Part::kDataEnd) {
      const size_t taken = static_cast<size_t>(std::min<uint64_t>(remaining_, bytes.size() - at));
      at += taken;
      total_ += taken;
      remaining_ -= taken;
      if (remaining_ == 0) {
        // The CRLF after the data; the parser checks that it is one.
        part_ = part_ == Part::kData ? Part::kDataEnd : Part::kSizeLine;
        remaining_ = 2;
      }
    } else {
      // Trailer fields count against the header limit instead.
      if (part_ == Part::kSizeLine) ++total_;
      if (std::optional<Verdict> passed = TakeLineByte(bytes[at++])) return *passed;
    }
    if (total_ > max_body_) return Verdict::kBodyTooLarge;
  }
  return part_ == Part::kEnd ? Verdict::kEnd : Verdict::kMore;
}

std::optional<ChunkedBodyLimits::Verdict> ChunkedBodyLimits::TakeLineByte(char c) {
  if (c != '\n') {
    ++line_;
    if (part_ == Part::kTrailer) {
      if (++trailer_ > trailer_limit_) return Verdict::kTrailerTooLarge;
    } else if (line_ > kMaxChunkLine) {
      return Verdict::kLineTooLong;
    } else if (in_size_ && std::isxdigit(static_cast<unsigned char>(c))) {
      // Saturates: the parser refuses a size this long anyway.
      const uint64_t digit =
          static_cast<uint64_t>(std::isdigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
      size_ = size_ > (UINT64_MAX >> 4) ? UINT64_MAX : (size_ << 4) | digit;
    } else {
      in_size_ = false;
    }
    return std::nullopt;
  }
  if (part_ == Part::kSizeLine) {
    part_ = size_ == 0 ? Part::kTrailer : Part::kData;
    remaining_ = size_;
  } else if (line_ <= 1) {  // an empty line, CR LF, ends the trailer
    part_ = Part::kEnd;
  }
  line_ = 0;
  size_ = 0;
  in_size_ = true;
  return std::nullopt;
}

}  // namespace quorax
