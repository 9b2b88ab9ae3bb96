#ifndef QUORAX_HOST_REQUEST_HOST_H_
#define QUORAX_HOST_REQUEST_HOST_H_

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/host_pages.h"
#include "host/template_store.h"
#include "host/url_encoding.h"
#include "host/web_host.h"

namespace quorax {

// What the host read of one request to the host page.
struct RequestData {
  std::string path;  // without the query
  UrlValues query;
  UrlValues form;    // only for application/x-www-form-urlencoded bodies
  std::string body;  // raw bytes
  bool https = false;
  std::string local_addr;  // host[:port] as the pages name this server
};

// The WebHost of one HTTP request: reads `request`, builds the response in
// memory and serves `session`. Not thread-safe; lives for one request.
class RequestHost : public WebHost {
 public:
  // `on_abandon` runs when a handler abandons the session.
  RequestHost(const RequestData& request, Session& session, const TemplateStore& templates,
              std::function<void()> on_abandon);

  std::string QueryValue(const std::string& key) const override;
  std::string FormValue(const std::string& key) const override;
  std::string ServerVariable(const std::string& name) const override;
  int32_t TotalBytes() const override;
  std::string BinaryRead(int32_t count) override;

  // Writes after End are dropped. Redirect drops what was written before.
  void Write(const std::string& text) override;
  void SetContentType(const std::string& type) override;
  // Raises InvalidArgument for a name that is not an HTTP token. CR and LF
  // are removed from values. The host frames the body itself: a
  // Content-Length, Transfer-Encoding or Connection header is not passed on
  // (the sent Content-Length is always the true byte count).
  void AddHeader(const std::string& name, const std::string& value) override;
  void Redirect(const std::string& address) override;
  void End() override;
  // Ignored after End and once the response is a redirect.
  void SetStatus(unsigned status) override;

  Session& session() override { return session_; }
  void AbandonSession() override;

  void SetNextItem(const std::string& item) override { next_item_ = item; }
  std::string TakeNextItem() override { return std::exchange(next_item_, std::string()); }

  // Raises PlatformFailure when the template is not installed.
  void WriteTemplate(const std::string& template_name, const TagHandler& on_tag) override;

  // Returns the response built so far (status 200, 302 or the one set).
  Reply TakeReply();

 private:
  const RequestData& request_;
  Session& session_;
  const TemplateStore& templates_;
  std::function<void()> on_abandon_;

  unsigned status_ = 200;
  std::string content_type_ = kPageContentType;
  std::vector<std::pair<std::string, std::string>> headers_;
  std::string body_;
  std::string next_item_;
  bool ended_ = false;
};

}  // namespace quorax

#endif  // QUORAX_HOST_REQUEST_HOST_H_
