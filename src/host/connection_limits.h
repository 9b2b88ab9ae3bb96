#ifndef QUORAX_HOST_CONNECTION_LIMITS_H_
#define QUORAX_HOST_CONNECTION_LIMITS_H_

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quorax {

// Counts open connections, in all and per client address, and admits a new
// one only while both counts are under their limits. Thread-safe.
class ConnectionLimits {
 public:
  using Clock = std::chrono::steady_clock;

  // Holds one admitted connection's place until destroyed. Move-only; an
  // empty slot (a refused connection) holds nothing.
  class Slot {
   public:
    Slot() = default;
    Slot(Slot&& other) noexcept;
    Slot& operator=(Slot&& other) noexcept;
    ~Slot();
    explicit operator bool() const { return limits_ != nullptr; }

   private:
    friend class ConnectionLimits;
    Slot(ConnectionLimits* limits, std::string address)
        : limits_(limits), address_(std::move(address)) {}
    ConnectionLimits* limits_ = nullptr;  // null when empty
    std::string address_;
  };

  // The addresses in `no_address_limit` (trusted proxies, which carry many
  // clients' connections) count against `max_total` only.
  ConnectionLimits(size_t max_total, size_t max_per_address,
                   const std::vector<std::string>& no_address_limit = {})
      : max_total_(max_total),
        max_per_address_(max_per_address),
        unlimited_(no_address_limit.begin(), no_address_limit.end()) {}

  // Admits a connection from `address` (as CanonicalAddress writes it), or
  // returns an empty slot and counts a refusal when a limit is reached.
  // Slots must not outlive this.
  Slot Admit(const std::string& address);

  // The refusals counted since the last report, when there are any and the
  // last report is at least a second before `now`; 0 otherwise (the count
  // is then kept for a later report).
  size_t TakeRefusalsToReport(Clock::time_point now);

 private:
  void Release(const std::string& address);

  const size_t max_total_;
  const size_t max_per_address_;
  const std::unordered_set<std::string> unlimited_;
  std::mutex mutex_;
  size_t total_ = 0;
  std::unordered_map<std::string, size_t> per_address_;  // only addresses with open connections
  size_t refused_ = 0;                                   // since the last report
  Clock::time_point last_report_{};
};

}  // namespace quorax

#endif  // QUORAX_HOST_CONNECTION_LIMITS_H_
