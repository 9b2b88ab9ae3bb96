#include "host/template_store.h"

#include <filesystem>
#include <optional>

#include "common/errors.h"
#include "common/read_file.h"
#include "common/text.h"

namespace quorax {
namespace {

// A file that is not a regular file or cannot be read is left out, as if no
// such template were installed.
std::optional<std::string> ReadTemplate(const std::string& path) {
  try {
    return ReadWholeFile(path);
  } catch (const PlatformFailure&) {
    return std::nullopt;
  }
}

}  // namespace

TemplateStore TemplateStore::Load(const std::string& dir) {
  TemplateStore store;
  std::error_code error;
  if (dir.empty()) return store;
  for (const auto& item : std::filesystem::directory_iterator(dir, error)) {
    if (auto text = ReadTemplate(item.path().string())) {
      store.Add(item.path().filename().string(), std::move(*text));
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
    throw PlatformFailure("the page template \"" + name + "\" is not installed on the server");
  }
  return it->second;
}

}  // namespace quorax
