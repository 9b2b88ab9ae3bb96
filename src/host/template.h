#ifndef QUORAX_HOST_TEMPLATE_H_
#define QUORAX_HOST_TEMPLATE_H_

#include <string>
#include <string_view>
#include <vector>

#include "host/web_host.h"

namespace quorax {

// Writes a page template. Tag markup is <WC@NAME>contents</WC@NAME>, names
// compared without regard to case, anywhere in the text (inside attribute
// values too). For each tag `on_tag` runs with the name as written and the
// contents; its result is written, between the markers when SendTags is true.
// Text that is not a complete tag is copied unchanged.
std::string RenderTemplate(std::string_view text, const TagHandler& on_tag);

// A page template split once into its tags and the text between them, so
// that writing it does not search the text again. Writes as RenderTemplate.
class PageTemplate {
 public:
  explicit PageTemplate(std::string_view text);

  // Returns RenderTemplate(text, on_tag) of the text it was made from.
  std::string Render(const TagHandler& on_tag) const;

 private:
  struct Tag {
    std::string before;    // the text since the previous tag
    std::string name;      // "WC@NAME" as written in the opening tag
    std::string contents;  // between the opening and the closing tag
  };

  std::vector<Tag> tags_;
  std::string tail_;  // the text after the last tag
  size_t size_ = 0;   // of the whole text: what a page written from it is about
};

}  // namespace quorax

#endif  // QUORAX_HOST_TEMPLATE_H_
