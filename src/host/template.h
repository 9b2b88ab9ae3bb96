#ifndef QUORAX_HOST_TEMPLATE_H_
#define QUORAX_HOST_TEMPLATE_H_

#include <string>
#include <string_view>

#include "host/web_host.h"

namespace quorax {

// Writes a page template. Tag markup is <WC@NAME>contents</WC@NAME>, names
// compared without regard to case, anywhere in the text (inside attribute
// values too). For each tag `on_tag` runs with the name as written and the
// contents; its result is written, between the markers when SendTags is true.
// Text that is not a complete tag is copied unchanged.
std::string RenderTemplate(std::string_view text, const TagHandler& on_tag);

}  // namespace quorax

#endif  // QUORAX_HOST_TEMPLATE_H_
