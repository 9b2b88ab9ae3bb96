#ifndef QUORAX_WEB_SIGN_IN_THROTTLE_H_
#define QUORAX_WEB_SIGN_IN_THROTTLE_H_

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quorax {

// Slows password guessing. Failed sign-ins are counted per client address,
// per address and user name, and per user name from any address. After
// kNameLimit failures for one name, or kAddressLimit for any names, from one
// address within kWindow, sign-ins from that address (for that name) are
// refused until a wait has passed; so are sign-ins for a name after
// kUserLimit failures for it from any addresses, but from addresses that
// signed in as that name within kKnownFor. A wait is kFirstWait at first,
// doubled by each further refusal or failure, at most kWindow; failures from
// an address known to the name do not count toward the name's own wait, so
// its user's retries never lengthen it. A count lapses kWindow after its
// first failure, or once blocked, kWindow after its last failure or refusal.
// At most `max_keys` counts not blocked, and as many addresses known to a
// name, are kept; the least recently used goes first. Blocked counts are
// kept apart, so that a flood of failures for other names never frees a
// blocked one: at most `max_locks` of them, and at that bound the least
// recently used lapsed one goes, or else the least recently used, with a
// line on standard error. Thread-safe.
class SignInThrottle {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // The clock of the running server.
  static Clock SteadyClock() {
    return [] { return std::chrono::steady_clock::now(); };
  }

  static constexpr int kNameLimit = 5;
  static constexpr int kAddressLimit = 20;
  static constexpr int kUserLimit = 20;
  static constexpr std::chrono::seconds kWindow{15 * 60};
  static constexpr std::chrono::seconds kFirstWait{60};
  static constexpr std::chrono::hours kKnownFor{24};

  // REQUIRES: max_keys >= 3 (the three counts of one sign-in), max_locks >= 1.
  explicit SignInThrottle(Clock clock = SteadyClock(), size_t max_keys = 10'000,
                          size_t max_locks = 10'000);
  SignInThrottle(const SignInThrottle&) = delete;
  SignInThrottle& operator=(const SignInThrottle&) = delete;

  // True when a sign-in as `user_name` from `address` must be refused now
  // without trying it; the refusal itself doubles the wait.
  bool Refuses(const std::string& address, const std::string& user_name);
  // Records a sign-in that did not succeed, for whatever reason.
  void Failed(const std::string& address, const std::string& user_name);
  // Records an accepted sign-in: the name's count from `address` is cleared,
  // and `address` is known to the name for kKnownFor.
  void Succeeded(const std::string& address, const std::string& user_name);

  // Counts held, blocked or not, for tests.
  size_t Count() const;

 private:
  using Time = std::chrono::steady_clock::time_point;
  using Wait = std::chrono::steady_clock::duration;

  struct Record {
    std::string key;
    int failures = 0;
    Time first{};          // the first failure counted
    Time last{};           // the last failure or refusal
    Time blocked_until{};  // meaningful while `wait` is not zero
    Wait wait{};           // the wait last imposed; zero while under the limit
  };
  using Order = std::list<Record>;  // most recently used first
  // Records by key.
  struct Table {
    Order order;
    std::unordered_map<std::string_view, Order::iterator> records;  // views of Record::key
  };

  // The address's key, the key of the name from that address and the key of
  // the name from any address. A name is known by its hash, so a key's size
  // does not grow with the name; names that collide share a count.
  static std::string AddressKey(const std::string& address);
  static std::string NameKey(const std::string& address, const std::string& user_name);
  static std::string UserKey(const std::string& user_name);

  // The live record of `key` in `table`, moved to the front; a new one when
  // `create` (the least recently used going at `max_keys_`), else nullptr
  // when there is none. A lapsed count reads as zero.
  Record* Find(Table& table, const std::string& key, bool create, Time now);
  // Find for a count, blocked or not; a blocked one that lapsed rejoins the
  // counts not blocked.
  Record* FindCount(const std::string& key, bool create, Time now);
  // True when `address` signed in as `user_name` within kKnownFor.
  bool Known(const std::string& address, const std::string& user_name, Time now);
  // Blocks `record` for longer, moving it among the blocked counts.
  void Lengthen(Record& record, Time now);
  void Fail(Record& record, int limit, Time now);
  // Makes room for one more blocked count (see the class comment).
  void MakeRoomForLock(Time now);
  // Moves the record of `key` from `from` to the front of `to`.
  static void MoveRecord(const std::string& key, Table& from, Table& to);

  const Clock clock_;
  const size_t max_keys_;
  const size_t max_locks_;
  mutable std::mutex mutex_;
  Table counts_;  // counts not blocked (`wait` zero)
  Table locks_;   // blocked counts (`wait` not zero)
  Table known_;   // by NameKey; `last` is the time of the accepted sign-in
};

}  // namespace quorax

#endif  // QUORAX_WEB_SIGN_IN_THROTTLE_H_
