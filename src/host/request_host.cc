#include "host/request_host.h"

#include <algorithm>
#include <cassert>

#include "common/spool_file.h"
#include "common/text.h"
#include "host/template.h"

namespace quorax {

RequestHost::RequestHost(const PageRequest& request, std::shared_ptr<SessionEntry> entry,
                         SessionStore& sessions, const TemplateStore& templates)
    : request_(request), entry_(std::move(entry)), sessions_(sessions), templates_(templates) {}

std::string RequestHost::QueryValue(const std::string& key) const {
  return LookUp(request_.query_values, key);
}

std::string RequestHost::FormValue(const std::string& key) const {
  return LookUp(request_.form_values, key);
}

std::string RequestHost::ServerVariable(const std::string& name) const {
  if (EqualsIgnoreCase(name, "HTTPS")) return request_.http.https ? "on" : "off";
  if (EqualsIgnoreCase(name, "LOCAL_ADDR")) return request_.http.local_addr;
  if (EqualsIgnoreCase(name, "REMOTE_ADDR")) return request_.http.remote_addr;
  if (EqualsIgnoreCase(name, "REQUEST_METHOD")) return request_.http.method;
  if (EqualsIgnoreCase(name, "SESSION_ENDED")) return request_.session_ended ? "1" : "";
  if (EqualsIgnoreCase(name, "SESSION_TIMEOUT")) {
    return std::to_string(request_.session_timeout.count());
  }
  return "";
}

int32_t RequestHost::TotalBytes() const { return static_cast<int32_t>(request_.http.body.size()); }

std::string RequestHost::BinaryRead(int32_t count) {
  return request_.http.body.substr(0, static_cast<size_t>(std::max<int32_t>(count, 0)));
}

void RequestHost::Write(const std::string& text) {
  if (!ended_) body_ += text;
}

void RequestHost::SetContentType(const std::string& type) {
  if (!ended_) headers_.SetContentType(type);
}

void RequestHost::AddHeader(const std::string& name, const std::string& value) {
  if (!ended_) headers_.Add(name, value);
}

void RequestHost::Redirect(const std::string& address) {
  if (ended_) return;
  status_ = 302;
  body_.clear();
  headers_.SetLocation(address);
}

void RequestHost::End() { ended_ = true; }

void RequestHost::SetStatus(unsigned status) {
  if (!ended_ && status_ != 302) status_ = status;
}

void RequestHost::AbandonSession() {
  sessions_.Renew(entry_);
  entry_->session.Clear();
  renewed_ = true;
}

void RequestHost::SignedIn(const std::string& user_name) {
  assert(!user_name.empty());
  sessions_.Rotate(entry_);
  renewed_ = true;
  sessions_.MarkSignedIn(entry_, user_name);
}

void RequestHost::WriteTemplate(const std::string& template_name, const TagHandler& on_tag) {
  std::string page = templates_.Get(template_name).Render(on_tag);
  // The first text written is taken over rather than copied.
  if (body_.empty() && !ended_) {
    body_ = std::move(page);
  } else {
    Write(page);
  }
}

Reply RequestHost::TakeReply() {
  Reply reply;
  reply.status = status_;
  // Room for the headers the host adds (the session cookie, over HTTPS
  // Strict-Transport-Security), so that none of them grows the list.
  reply.headers.reserve(headers_.list().size() + 3);
  reply.headers = headers_.list();
  reply.headers.emplace_back("Content-Type", headers_.content_type());
  reply.body = std::move(body_);
  if (body_file_) {
    reply.body.clear();
    reply.body_file = std::move(body_file_);
  }
  return reply;
}

}  // namespace quorax
