#include "host/template_store.h"

#include <filesystem>

#include "common/errors.h"
#include "common/read_file.h"
#include "common/text.h"

namespace quorax {

TemplateStore TemplateStore::Load(const std::string& dir) {
  TemplateStore store;
  std::error_code error;
  if (dir.empty()) return store;
  for (const auto& item : std::filesystem::directory_iterator(dir, error)) {
    const std::string name = item.path().filename().string();
    try {
      if (auto text = ReadWholeFile(item.path().string())) store.Add(name, std::move(*text));
    } catch (const PlatformFailure& failure) {
      store.unreadable_.insert_or_assign(ToUpper(name), failure.what());
    }
  }
  return store;
}

void TemplateStore::Add(const std::string& name, std::string text) {
  templates_.insert_or_assign(ToUpper(name), PageTemplate(text));
}

const PageTemplate& TemplateStore::Get(const std::string& name) const {
  auto it = templates_.find(ToUpper(name));
  if (it == templates_.end()) {
    auto unreadable = unreadable_.find(ToUpper(name));
    if (unreadable != unreadable_.end()) {
      throw PlatformFailure("the page template \"" + name +
                            "\" cannot be read: " + unreadable->second);
    }
    throw PlatformFailure("the page template \"" + name + "\" is not installed on the server");
  }
  return it->second;
}

}  // namespace quorax
