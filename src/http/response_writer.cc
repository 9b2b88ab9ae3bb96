#include "http/response_writer.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "common/text.h"
#include "http/pages.h"
#include "http/response_headers.h"

namespace quorax {

namespace {

// A body up to this size goes in the header's write: one TLS record.
constexpr size_t kJoinedBody = 16 * 1024;

bool IsBlankOrBreak(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Appends `name: value` and CRLF, the value without CR and LF and without
// the blanks around it, as Beast stores a field value.
void AppendField(std::string& out, std::string_view name, std::string_view value) {
  size_t first = 0;
  size_t last = value.size();
  while (first < last && IsBlankOrBreak(value[first])) ++first;
  while (last > first && IsBlankOrBreak(value[last - 1])) --last;
  out.append(name).append(": ");
  AppendWithoutLineBreaks(out, value.substr(first, last - first));
  out += "\r\n";
}

// The reply's headers in the order Beast keeps them: a field comes right
// after the last earlier one of the same name. Headers the host sets itself
// are left out.
void AppendReplyFields(std::string& out, const Reply::Headers& headers) {
  auto same_name = [](const auto& a, const auto& b) { return EqualsIgnoreCase(a.first, b.first); };
  for (auto it = headers.begin(); it != headers.end(); ++it) {
    if (IsFramingHeader(it->first) || IsStandardHeader(it->first)) continue;
    bool written = false;
    for (auto earlier = headers.begin(); earlier != it && !written; ++earlier) {
      written = same_name(*earlier, *it);
    }
    if (written) continue;
    for (auto same = it; same != headers.end(); ++same) {
      if (same_name(*same, *it)) AppendField(out, same->first, same->second);
    }
  }
}

bool AllowsNoBody(unsigned status) { return status / 100 == 1 || status == 204 || status == 304; }

}  // namespace

void FrameResponse(Reply& reply, unsigned version, bool keep_alive, bool head_only,
                   OutgoingResponse& out) {
  if (reply.status > 999) throw std::invalid_argument("invalid status-code");
  if (AllowsNoBody(reply.status) && !reply.body.empty()) {
    throw std::invalid_argument("invalid response body");
  }
  std::string& bytes = out.bytes;
  bytes.clear();
  bytes.append("HTTP/").append(1, static_cast<char>('0' + version / 10));
  bytes.append(".").append(1, static_cast<char>('0' + version % 10)).append(" ");
  const unsigned status = reply.status;
  const char code[] = {static_cast<char>('0' + status / 100),
                       static_cast<char>('0' + status / 10 % 10),
                       static_cast<char>('0' + status % 10), ' '};
  bytes.append(code, sizeof code);
  const auto reason = http::obsolete_reason(static_cast<http::status>(status));
  bytes.append(reason.data(), reason.size()).append("\r\n");
  AppendReplyFields(bytes, reply.headers);
  bytes.append(StandardHeaderLines());
  if (version < 11 && keep_alive) bytes.append("Connection: keep-alive\r\n");
  if (version >= 11 && !keep_alive) bytes.append("Connection: close\r\n");
  bytes.append("Content-Length: ");
  AppendDecimal(
      bytes, static_cast<long long>(reply.body_file ? reply.body_file->size() : reply.body.size()));
  bytes.append("\r\n\r\n");
  out.header_size = bytes.size();
  out.status = status;
  out.keep_alive = keep_alive;
  out.body.clear();
  out.body_file.reset();
  if (head_only) return;
  if (reply.body_file) {
    out.body_file = std::move(reply.body_file);
    return;
  }
  if (reply.body.size() <= kJoinedBody) {
    bytes.append(reply.body);
  } else {
    out.body = std::move(reply.body);
  }
}

}  // namespace quorax
