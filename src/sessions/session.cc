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
    if (!EqualsIgnoreCase(value.key, key)) continue;
    value.object.reset();
    return value;
  }
  if (values_.empty()) values_.reserve(kTypicalValues);
  Value& value = values_.emplace_back();
  value.key = key;
  return value;
}

std::string Session::GetText(const std::string& key) const {
  const Value* value = Find(key);
  if (value == nullptr) return "";
  if (value->kind == Kind::kText) return value->text;
  if (value->kind == Kind::kBool) return value->flag ? "True" : "False";
  return "";
}

bool Session::GetBool(const std::string& key) const {
  const Value* value = Find(key);
  return value != nullptr && value->kind == Kind::kBool && value->flag;
}

void Session::SetText(const std::string& key, std::string text) {
  Value& value = Slot(key);
  value.kind = Kind::kText;
  value.text = std::move(text);
}

void Session::SetBool(const std::string& key, bool flag) {
  Value& value = Slot(key);
  value.kind = Kind::kBool;
  value.flag = flag;
}

}  // namespace quorax
