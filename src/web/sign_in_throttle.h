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

// Slows password guessing. Failed sign-ins are counted per client address
// and per address and user name. After kNameLimit failures for one name, or
// kAddressLimit for any names, from one address within kWindow, sign-ins
// from that address (for that name) are refused until a wait has passed:
// kFirstWait at first, doubled by each further refusal or failure, at most
// kWindow. A count lapses kWindow after its first failure, or once blocked,
// kWindow after its last failure or refusal. At most `max_keys` counts are
// kept; the least recently used goes first. Thread-safe.
class SignInThrottle {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // The clock of the running server.
  static Clock SteadyClock() {
    return [] { return std::chrono::steady_clock::now(); };
  }

  static constexpr int kNameLimit = 5;
  static constexpr int kAddressLimit = 20;
  static constexpr std::chrono::seconds kWindow{15 * 60};
  static constexpr std::chrono::seconds kFirstWait{60};

  // REQUIRES: max_keys >= 2 (the two counts of one sign-in).
  explicit SignInThrottle(Clock clock = SteadyClock(), size_t max_keys = 10'000);
  SignInThrottle(const SignInThrottle&) = delete;
  SignInThrottle& operator=(const SignInThrottle&) = delete;

  // True when a sign-in as `user_name` from `address` must be refused now
  // without trying it; the refusal itself doubles the wait.
  bool Refuses(const std::string& address, const std::string& user_name);
  // Records a sign-in that did not succeed, for whatever reason.
  void Failed(const std::string& address, const std::string& user_name);
  // Records an accepted sign-in: the name's count from `address` is cleared.
  void Succeeded(const std::string& address, const std::string& user_name);

  // Counts held, for tests.
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

  // The address's key and the key of the name from that address. A name is
  // known by its hash, so a key's size does not grow with the name; names
  // that collide only share a count from one address.
  static std::string AddressKey(const std::string& address);
  static std::string NameKey(const std::string& address, const std::string& user_name);

  // The live record of `key`, moved to the front; a new one when `create`,
  // else nullptr when there is none. A lapsed count reads as zero.
  Record* Find(const std::string& key, bool create, Time now);
  void Lengthen(Record& record, Time now);
  void Fail(Record& record, int limit, Time now);

  const Clock clock_;
  const size_t max_keys_;
  mutable std::mutex mutex_;
  Order order_;
  std::unordered_map<std::string_view, Order::iterator> records_;  // views of Record::key
};

}  // namespace quorax

#endif  // QUORAX_WEB_SIGN_IN_THROTTLE_H_
