#ifndef QUORAX_TESTS_TESTING_FAKE_HOST_H_
#define QUORAX_TESTS_TESTING_FAKE_HOST_H_

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "common/spool_file.h"
#include "host/web_host.h"
#include "http/response_headers.h"

namespace quorax {

// An in-memory web host for testing page handlers: the test sets the request,
// runs a handler and reads what was written, redirected and kept in the
// session. Templates are read from the repository's templates/ folder unless
// one is given with SetTemplate. Headers are kept by the same rule as the
// real host's, so that a test sees the headers a browser would.
class FakeHost : public WebHost {
 public:
  // Request set-up.
  void Query(const std::string& key, const std::string& value) { query_[Fold(key)] = value; }
  void Form(const std::string& key, const std::string& value) { form_[Fold(key)] = value; }
  void Variable(const std::string& name, const std::string& value) { vars_[Fold(name)] = value; }
  void Body(std::string body) { body_ = std::move(body); }
  // A body the host spooled to a file, as it does for the run item.
  void SpooledBody(const std::string& body) {
    body_file_ = std::make_shared<SpoolFile>();
    body_file_->Append(body);
  }
  void SetTemplate(const std::string& name, std::string text) {
    templates_[name] = std::move(text);
  }
  // Starts a new request in the same session: clears the request and response.
  void NewRequest();

  // What the handlers did.
  const std::string& Output() const { return output_; }
  const std::string& RedirectedTo() const { return redirect_; }
  bool Ended() const { return ended_; }
  unsigned Status() const { return status_; }
  // "" until a handler sets it.
  const std::string& ContentType() const { return headers_.content_type(); }
  const ResponseHeaders::List& Headers() const { return headers_.list(); }
  bool Abandoned() const { return abandoned_; }
  // The user name of this request's SignedIn, or "" when it made none.
  const std::string& SignedInAs() const { return signed_in_as_; }
  std::string SessionText(const std::string& key) const { return session_.GetText(key); }

  // WebHost.
  std::string QueryValue(const std::string& key) const override { return Get(query_, key); }
  std::string FormValue(const std::string& key) const override { return Get(form_, key); }
  std::string ServerVariable(const std::string& name) const override { return Get(vars_, name); }
  int32_t TotalBytes() const override { return static_cast<int32_t>(body_.size()); }
  std::string BinaryRead(int32_t count) override;
  std::shared_ptr<SpoolFile> BodyFile() const override { return body_file_; }
  void Write(const std::string& text) override;
  void SetContentType(const std::string& type) override { headers_.SetContentType(type); }
  void AddHeader(const std::string& name, const std::string& value) override {
    headers_.Add(name, value);
  }
  void Redirect(const std::string& address) override { redirect_ = address; }
  void End() override { ended_ = true; }
  void SetStatus(unsigned status) override { status_ = status; }
  Session& session() override { return session_; }
  void AbandonSession() override {
    session_.Clear();
    abandoned_ = true;
  }
  void SignedIn(const std::string& user_name) override { signed_in_as_ = user_name; }
  void SetNextItem(const std::string& item) override { next_item_ = item; }
  std::string TakeNextItem() override { return std::exchange(next_item_, std::string()); }
  void WriteTemplate(const std::string& template_name, const TagHandler& on_tag) override;

 private:
  static std::string Fold(const std::string& key);
  static std::string Get(const std::map<std::string, std::string>& values, const std::string& key);

  std::map<std::string, std::string> query_, form_, vars_, templates_;
  std::string body_;
  std::shared_ptr<SpoolFile> body_file_;
  std::string output_, redirect_, next_item_, signed_in_as_;
  ResponseHeaders headers_;
  unsigned status_ = 200;
  bool ended_ = false;
  bool abandoned_ = false;
  Session session_;
};

}  // namespace quorax

#endif  // QUORAX_TESTS_TESTING_FAKE_HOST_H_
