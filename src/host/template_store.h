#ifndef QUORAX_HOST_TEMPLATE_STORE_H_
#define QUORAX_HOST_TEMPLATE_STORE_H_

#include <map>
#include <string>

#include "host/template.h"

namespace quorax {

// The page templates, read once when the host starts and only read after.
class TemplateStore {
 public:
  // Reads every regular file of folder `dir` (not its subfolders). A
  // missing or empty folder gives a store without templates. A file that
  // cannot be read is kept as unreadable, with the reason, for Get to raise.
  static TemplateStore Load(const std::string& dir);

  void Add(const std::string& name, std::string text);

  // Returns template `name` (file name, any case). Raises PlatformFailure
  // when there is no such template, or when its file could not be read (the
  // message names the file and why).
  const PageTemplate& Get(const std::string& name) const;

  size_t Count() const { return templates_.size(); }

 private:
  std::map<std::string, PageTemplate> templates_;  // by upper-cased name
  std::map<std::string, std::string>
      unreadable_;  // why each could not be read, by upper-cased name
};

}  // namespace quorax

#endif  // QUORAX_HOST_TEMPLATE_STORE_H_
