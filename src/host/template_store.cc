#include "host/template_store.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/errors.h"
#include "common/text.h"

namespace quorax {

TemplateStore TemplateStore::Load(const std::string& dir) {
  TemplateStore store;
  std::error_code error;
  if (dir.empty()) return store;
  for (const auto& item : std::filesystem::directory_iterator(dir, error)) {
    if (!item.is_regular_file(error)) continue;
    std::ifstream file(item.path(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (file) store.Add(item.path().filename().string(), text.str());
  }
  return store;
}

void TemplateStore::Add(const std::string& name, std::string text) {
  templates_[ToUpper(name)] = std::move(text);
}

const std::string& TemplateStore::Get(const std::string& name) const {
  auto it = templates_.find(ToUpper(name));
  if (it == templates_.end()) {
    throw PlatformFailure("the page template \"" + name + "\" is not installed on the server");
  }
  return it->second;
}

}  // namespace quorax
