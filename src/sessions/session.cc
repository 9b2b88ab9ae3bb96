#include "sessions/session.h"

#include "common/text.h"

namespace quorax {

namespace {

// Values a new visitor's session holds (the start page sets three), allocated
// at once rather than grown.
constexpr size_t kTypicalValues = 4;

}  // namespace

const Session::Value* Session::Find(const std::string& key) const {
  for (const Value& value : values_) {
    if (EqualsIgnoreCase(value.key, key)) return &value;
  }
  return nullptr;
}

Session::Value& Session::Slot(const std::string& key) {
  for (Value& value : values_) {
    if (EqualsIgnoreCase(value.key, key)) return value;
  }
  if (values_.empty()) values_.reserve(kTypicalValues);
  Value& value = values_.emplace_back();
  value.key = key;
  return value;
}

std::string Session::GetText(const std::string& key) const {
  const Value* value = Find(key);
  if (value == nullptr) return "";
  if (const auto* text = std::get_if<std::string>(&value->data)) return *text;
  if (const auto* flag = std::get_if<bool>(&value->data)) return *flag ? "True" : "False";
  return "";
}

bool Session::GetBool(const std::string& key) const {
  const Value* value = Find(key);
  if (value == nullptr) return false;
  const auto* flag = std::get_if<bool>(&value->data);
  return flag != nullptr && *flag;
}

void Session::SetText(const std::string& key, std::string text) {
  Slot(key).data.emplace<std::string>(std::move(text));
}

void Session::SetBool(const std::string& key, bool flag) { Slot(key).data.emplace<bool>(flag); }

}  // namespace quorax
