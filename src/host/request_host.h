#ifndef QUORAX_HOST_REQUEST_HOST_H_
#define QUORAX_HOST_REQUEST_HOST_H_

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/error_pages.h"
#include "host/template_store.h"
#include "host/url_encoding.h"
#include "host/web_host.h"
#include "http/exchange.h"
#include "http/response_headers.h"
#include "sessions/session_store.h"

namespace quorax {

// A request to the host page as the application reads it: the request
// itself, its query and form decoded, and what its session showed.
struct PageRequest {
  Request http;
  UrlValues query_values;
  UrlValues form_values;  // only for application/x-www-form-urlencoded bodies
  // The request's session cookie named a session that has ended (it expired
  // or was ended), and the idle time after which sessions end.
  bool session_ended = false;
  std::chrono::seconds session_timeout{0};
};

// The WebHost of one HTTP request: reads `request`, builds the response in
// memory and serves the session of `entry`, forwarding abandon and sign-in
// to `sessions`. Not thread-safe; lives for one request, inside a job of the
// entry's queue.
class RequestHost : public WebHost {
 public:
  RequestHost(const PageRequest& request, std::shared_ptr<SessionEntry> entry,
              SessionStore& sessions, const TemplateStore& templates);

  std::string QueryValue(const std::string& key) const override;
  std::string FormValue(const std::string& key) const override;
  std::string ServerVariable(const std::string& name) const override;
  int32_t TotalBytes() const override;
  std::string BinaryRead(int32_t count) override;
  std::shared_ptr<SpoolFile> BodyFile() const override { return request_.http.body_file; }
  void SendFile(std::shared_ptr<SpoolFile> file) override { body_file_ = std::move(file); }

  // Writes after End are dropped. Redirect drops what was written before.
  void Write(const std::string& text) override;
  void SetContentType(const std::string& type) override;
  // Keeps headers by the ResponseHeaders rule; raises InvalidArgument for a
  // name that is not an HTTP token.
  void AddHeader(const std::string& name, const std::string& value) override;
  void Redirect(const std::string& address) override;
  void End() override;
  // Ignored after End and once the response is a redirect.
  void SetStatus(unsigned status) override;

  Session& session() override { return entry_->session; }
  void AbandonSession() override;
  // Rotates the entry's id and marks it signed in.
  void SignedIn(const std::string& user_name) override;

  void SetNextItem(const std::string& item) override { next_item_ = item; }
  std::string TakeNextItem() override { return std::exchange(next_item_, std::string()); }

  // Raises PlatformFailure when the template is not installed.
  void WriteTemplate(const std::string& template_name, const TagHandler& on_tag) override;

  // Returns the response built so far (status 200, 302 or the one set).
  Reply TakeReply();

  // Whether a handler gave the session a new id (by signing in or abandoning
  // it): the response must then carry the new session cookie.
  bool renewed() const { return renewed_; }

 private:
  const PageRequest& request_;
  const std::shared_ptr<SessionEntry> entry_;
  SessionStore& sessions_;
  const TemplateStore& templates_;

  unsigned status_ = 200;
  ResponseHeaders headers_{kPageContentType};
  std::string body_;
  std::shared_ptr<SpoolFile> body_file_;  // the body instead, when set
  std::string next_item_;
  bool ended_ = false;
  bool renewed_ = false;
};

}  // namespace quorax

#endif  // QUORAX_HOST_REQUEST_HOST_H_
