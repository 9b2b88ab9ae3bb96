#ifndef QUORAX_SESSIONS_SESSION_H_
#define QUORAX_SESSIONS_SESSION_H_

#include <any>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace quorax {

// One user's session values. Keys are compared without regard to case. A
// value is text, a Boolean, or a shared reference to an object: the object
// stored is the very object later requests get back, never a copy.
// Not thread-safe: the host serves one request of a session at a time.
class Session {
 public:
  // Returns the text stored under `key`; "" when absent or when the value is
  // an object. A Boolean reads as "True" or "False".
  std::string GetText(const std::string& key) const;

  // Returns the Boolean stored under `key`; false when absent or not a Boolean.
  bool GetBool(const std::string& key) const;

  // Returns the object stored under `key`, or nullptr when absent or of
  // another type.
  template <class T>
  std::shared_ptr<T> GetObject(const std::string& key) const {
    const Value* value = Find(key);
    if (value == nullptr) return nullptr;
    const auto* any = std::get_if<std::any>(&value->data);
    const auto* object = any == nullptr ? nullptr : std::any_cast<std::shared_ptr<T>>(any);
    return object == nullptr ? nullptr : *object;
  }

  void SetText(const std::string& key, std::string value);
  void SetBool(const std::string& key, bool value);
  template <class T>
  void SetObject(const std::string& key, std::shared_ptr<T> object) {
    Slot(key).data.emplace<std::any>(std::move(object));
  }

  bool Contains(const std::string& key) const { return Find(key) != nullptr; }
  void Clear() { values_.clear(); }

 private:
  struct Value {
    std::string key;  // as first stored
    std::variant<std::string, bool, std::any> data;
  };

  const Value* Find(const std::string& key) const;
  // The value stored under `key`, or a new one when there is none.
  Value& Slot(const std::string& key);

  // A session holds a dozen values at most: a list searched in order costs
  // less than a tree, and a value set again reuses its place.
  std::vector<Value> values_;
};

}  // namespace quorax

#endif  // QUORAX_SESSIONS_SESSION_H_
