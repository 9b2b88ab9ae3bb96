#include "http/response_headers.h"

#include <algorithm>

#include "common/errors.h"
#include "common/text.h"

namespace quorax {

namespace {

bool IsTokenChar(char c) {
  static constexpr std::string_view kSpecials = "!#$%&'*+-.^_`|~";
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         kSpecials.find(c) != std::string_view::npos;
}

bool IsToken(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), IsTokenChar);
}

}  // namespace

bool IsFramingHeader(std::string_view name) {
  for (const char* framing : {"Content-Length", "Transfer-Encoding", "Connection"}) {
    if (EqualsIgnoreCase(name, framing)) return true;
  }
  return false;
}

void AppendWithoutLineBreaks(std::string& out, std::string_view value) {
  // Two plain searches: far quicker than find_first_of on the common value
  // that has neither.
  if (value.find('\r') == std::string_view::npos && value.find('\n') == std::string_view::npos) {
    out.append(value);
    return;
  }
  for (char c : value) {
    if (c != '\r' && c != '\n') out += c;
  }
}

std::string WithoutLineBreaks(std::string_view value) {
  std::string out;
  AppendWithoutLineBreaks(out, value);
  return out;
}

void ResponseHeaders::Add(const std::string& name, const std::string& value) {
  if (!IsToken(name)) throw InvalidArgument("\"" + name + "\" is not a valid header name");
  if (EqualsIgnoreCase(name, "Content-Type")) return SetContentType(value);
  if (!IsFramingHeader(name)) list_.emplace_back(name, WithoutLineBreaks(value));
}

void ResponseHeaders::SetContentType(const std::string& type) {
  content_type_ = WithoutLineBreaks(type);
}

void ResponseHeaders::SetLocation(const std::string& address) {
  std::erase_if(list_,
                [](const auto& header) { return EqualsIgnoreCase(header.first, "Location"); });
  list_.emplace_back("Location", WithoutLineBreaks(address));
}

}  // namespace quorax
