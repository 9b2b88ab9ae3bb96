#include "sessions/session.h"

#include "common/text.h"

namespace quorax {

std::string Session::Fold(const std::string& key) { return ToUpper(key); }

const std::any* Session::Find(const std::string& key) const {
  auto it = values_.find(Fold(key));
  return it == values_.end() ? nullptr : &it->second;
}

std::string Session::GetText(const std::string& key) const {
  const std::any* value = Find(key);
  if (value == nullptr) return "";
  if (const auto* text = std::any_cast<std::string>(value)) return *text;
  if (const auto* flag = std::any_cast<bool>(value)) return *flag ? "True" : "False";
  return "";
}

bool Session::GetBool(const std::string& key) const {
  const std::any* value = Find(key);
  if (value == nullptr) return false;
  const auto* flag = std::any_cast<bool>(value);
  return flag != nullptr && *flag;
}

void Session::SetText(const std::string& key, std::string value) {
  values_[Fold(key)] = std::move(value);
}

void Session::SetBool(const std::string& key, bool value) { values_[Fold(key)] = value; }

}  // namespace quorax
