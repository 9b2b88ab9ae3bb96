#ifndef QUORAX_COMMON_KEYED_COLLECTION_H_
#define QUORAX_COMMON_KEYED_COLLECTION_H_

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/errors.h"
#include "common/text.h"

namespace quorax {

// An ordered list of items, numbered from 1 in insertion order, each
// optionally stored under a string key. Keys are unique and compared without
// regard to case (ASCII letters). Lookups by key take constant time.
template <class T>
class KeyedCollection {
 public:
  // Appends `item` under `key`. Raises DuplicateKey when the key is present;
  // the collection is then unchanged.
  void Add(T item, const std::string& key) {
    std::string folded = ToUpper(key);
    if (index_.count(folded) != 0) {
      throw DuplicateKey("the key \"" + key + "\" is already present");
    }
    index_.emplace(folded, entries_.size());
    entries_.push_back(Entry{std::move(item), std::move(folded), true});
  }

  // Appends `item` without a key.
  void Add(T item) { entries_.push_back(Entry{std::move(item), std::string(), false}); }

  // Returns the item stored under `key`. Raises MissingKey when absent.
  T& Item(const std::string& key) {
    T* found = Find(key);
    if (found == nullptr) throw MissingKey("nothing is stored under the key \"" + key + "\"");
    return *found;
  }
  const T& Item(const std::string& key) const {
    return const_cast<KeyedCollection*>(this)->Item(key);
  }

  // Returns the item numbered `number` (from 1). Raises SubscriptOutOfRange
  // outside 1..Count().
  T& Item(int32_t number) { return entries_[Position(number)].item; }
  const T& Item(int32_t number) const { return entries_[Position(number)].item; }

  // Returns the item stored under `key`, or nullptr when absent.
  T* Find(const std::string& key) {
    auto it = index_.find(ToUpper(key));
    return it == index_.end() ? nullptr : &entries_[it->second].item;
  }

  bool Contains(const std::string& key) const { return index_.count(ToUpper(key)) != 0; }

  // Removes the item numbered `number`; later items move up by one.
  // Raises SubscriptOutOfRange outside 1..Count().
  void Remove(int32_t number) {
    size_t position = Position(number);
    if (entries_[position].keyed) index_.erase(entries_[position].key);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position));
    for (auto& [key, index] : index_) {
      if (index > position) --index;
    }
  }

  void Clear() {
    entries_.clear();
    index_.clear();
  }

  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }

 private:
  struct Entry {
    T item;
    std::string key;  // upper-cased
    bool keyed;
  };

  size_t Position(int32_t number) const {
    if (number < 1 || number > Count()) {
      throw SubscriptOutOfRange("item " + std::to_string(number) +
                                " does not exist (the collection holds " + std::to_string(Count()) +
                                ")");
    }
    return static_cast<size_t>(number - 1);
  }

  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> index_;
};

}  // namespace quorax

#endif  // QUORAX_COMMON_KEYED_COLLECTION_H_
