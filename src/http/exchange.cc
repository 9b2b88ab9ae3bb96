#include "http/exchange.h"

namespace quorax {

std::string_view TargetPath(std::string_view target) { return target.substr(0, target.find('?')); }

std::string_view TargetQuery(std::string_view target) {
  const size_t question = target.find('?');
  return question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
}

}  // namespace quorax
