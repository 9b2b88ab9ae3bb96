#include "host/request_host.h"

#include <algorithm>

#include "common/errors.h"
#include "common/text.h"
#include "host/template.h"

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

RequestHost::RequestHost(const RequestData& request, Session& session,
                         const TemplateStore& templates, std::function<void()> on_abandon)
    : request_(request),
      session_(session),
      templates_(templates),
      on_abandon_(std::move(on_abandon)) {}

std::string RequestHost::QueryValue(const std::string& key) const {
  return LookUp(request_.query, key);
}

std::string RequestHost::FormValue(const std::string& key) const {
  return LookUp(request_.form, key);
}

std::string RequestHost::ServerVariable(const std::string& name) const {
  if (EqualsIgnoreCase(name, "HTTPS")) return request_.https ? "on" : "off";
  if (EqualsIgnoreCase(name, "LOCAL_ADDR")) return request_.local_addr;
  return "";
}

int32_t RequestHost::TotalBytes() const { return static_cast<int32_t>(request_.body.size()); }

std::string RequestHost::BinaryRead(int32_t count) {
  return request_.body.substr(0, static_cast<size_t>(std::max<int32_t>(count, 0)));
}

void RequestHost::Write(const std::string& text) {
  if (!ended_) body_ += text;
}

void RequestHost::SetContentType(const std::string& type) {
  if (!ended_) content_type_ = WithoutLineBreaks(type);
}

void RequestHost::AddHeader(const std::string& name, const std::string& value) {
  if (!IsToken(name)) throw InvalidArgument("\"" + name + "\" is not a valid header name");
  if (ended_) return;
  if (EqualsIgnoreCase(name, "Content-Type")) {
    SetContentType(value);
    return;
  }
  for (const char* framing : {"Content-Length", "Transfer-Encoding", "Connection"}) {
    if (EqualsIgnoreCase(name, framing)) return;
  }
  headers_.emplace_back(name, WithoutLineBreaks(value));
}

void RequestHost::Redirect(const std::string& address) {
  if (ended_) return;
  status_ = 302;
  body_.clear();
  std::erase_if(headers_,
                [](const auto& header) { return EqualsIgnoreCase(header.first, "Location"); });
  headers_.emplace_back("Location", WithoutLineBreaks(address));
}

void RequestHost::End() { ended_ = true; }

void RequestHost::SetStatus(unsigned status) {
  if (!ended_ && status_ != 302) status_ = status;
}

void RequestHost::AbandonSession() {
  session_.Clear();
  on_abandon_();
}

void RequestHost::WriteTemplate(const std::string& template_name, const TagHandler& on_tag) {
  Write(RenderTemplate(templates_.Get(template_name), on_tag));
}

Reply RequestHost::TakeReply() {
  Reply reply;
  reply.status = status_;
  reply.headers = std::move(headers_);
  reply.headers.emplace_back("Content-Type", content_type_);
  reply.body = std::move(body_);
  return reply;
}

}  // namespace quorax
