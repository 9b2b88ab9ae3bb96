#ifndef QUORAX_WEB_NAMED_TABLE_H_
#define QUORAX_WEB_NAMED_TABLE_H_

#include <iterator>
#include <string_view>

#include "common/text.h"

namespace quorax {

// One entry of a table chosen by name (a page item, a tag, a view code).
template <typename Handler>
struct Named {
  std::string_view Name;  // compared without regard to case
  Handler Handle;
};

// Returns the first entry of `table` whose Name equals `name` without regard
// to case, or nullptr when there is none.
template <typename Table>
auto FindNamed(const Table& table, std::string_view name) -> decltype(std::data(table)) {
  for (const auto& entry : table) {
    if (EqualsIgnoreCase(name, entry.Name)) return &entry;
  }
  return nullptr;
}

}  // namespace quorax

#endif  // QUORAX_WEB_NAMED_TABLE_H_
