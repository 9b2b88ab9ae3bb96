#include "testing/fake_host.h"

#include <fstream>
#include <sstream>

#include "common/errors.h"
#include "common/text.h"
#include "host/template.h"

namespace quorax {

std::string FakeHost::Fold(const std::string& key) { return ToUpper(key); }

std::string FakeHost::Get(const std::map<std::string, std::string>& values,
                          const std::string& key) {
  auto it = values.find(Fold(key));
  return it == values.end() ? "" : it->second;
}

void FakeHost::NewRequest() {
  query_.clear();
  form_.clear();
  body_.clear();
  body_file_.reset();
  output_.clear();
  redirect_.clear();
  next_item_.clear();
  headers_ = ResponseHeaders();
  status_ = 200;
  ended_ = false;
  abandoned_ = false;
  signed_in_as_.clear();
}

std::string FakeHost::BinaryRead(int32_t count) {
  return body_.substr(0, static_cast<size_t>(count < 0 ? 0 : count));
}

void FakeHost::Write(const std::string& text) {
  if (!ended_) output_ += text;
}

void FakeHost::WriteTemplate(const std::string& template_name, const TagHandler& on_tag) {
  auto it = templates_.find(template_name);
  std::string text;
  if (it != templates_.end()) {
    text = it->second;
  } else {
    std::ifstream file(std::string(QUORAX_SOURCE_DIR) + "/templates/" + template_name,
                       std::ios::binary);
    if (!file) throw PlatformFailure("template " + template_name + " not found");
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
  }
  Write(RenderTemplate(text, on_tag));
}

}  // namespace quorax
