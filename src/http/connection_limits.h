#ifndef QUORAX_HTTP_CONNECTION_LIMITS_H_
#define QUORAX_HTTP_CONNECTION_LIMITS_H_

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quorax {

// Counts open connections, in all and per client (per LimitKey of the
// address), and admits a new one within both limits. At a limit the oldest
// idle connection that counts there (the client's own, or anyone's for the
// total) is shed to make room; a new connection is refused only when every
// one of those is busy. Thread-safe; every call takes O(1) on average.
class ConnectionLimits {
  struct Entry;  // one admitted connection's state

 public:
  using Clock = std::chrono::steady_clock;

  // Holds one admitted connection's place until destroyed or shed. Move-only;
  // an empty slot (a refused connection) holds nothing. A new slot is busy.
  class Slot {
   public:
    Slot();
    Slot(Slot&& other) noexcept;
    Slot& operator=(Slot&& other) noexcept;
    ~Slot();
    explicit operator bool() const { return limits_ != nullptr; }

    // Sets what closes the connection when it is shed; called once, on the
    // admitting thread with no lock held, after its place was given to the
    // newcomer. It must only post the close to the connection's own strand.
    // REQUIRES: not empty; set before the first Idle().
    void OnShed(std::function<void()> shed);
    // Marks the connection idle (waiting for the first byte of a request),
    // which lets a newcomer shed it, or busy again. Busy returns false when
    // the connection was shed: it must close. No effect once shed.
    void Idle();
    bool Busy();

   private:
    friend class ConnectionLimits;
    Slot(ConnectionLimits* limits, std::unique_ptr<Entry> entry);
    ConnectionLimits* limits_ = nullptr;  // null when empty
    std::unique_ptr<Entry> entry_;
  };

  // The addresses in `no_address_limit` (trusted proxies, which carry many
  // clients' connections) count against `max_total` only.
  ConnectionLimits(size_t max_total, size_t max_per_address,
                   const std::vector<std::string>& no_address_limit = {})
      : max_total_(max_total),
        max_per_address_(max_per_address),
        unlimited_(no_address_limit.begin(), no_address_limit.end()) {}

  // Admits a connection from `address` (as CanonicalAddress writes it),
  // shedding an idle one at a limit, or returns an empty slot and counts a
  // refusal. Slots must not outlive this.
  Slot Admit(const std::string& address);

  // The refusals counted since the last report, when there are any and the
  // last report is at least a second before `now`; 0 otherwise (the count
  // is then kept for a later report).
  size_t TakeRefusalsToReport(Clock::time_point now);

 private:
  using IdleList = std::list<Entry*>;  // oldest idle first
  struct Client {
    size_t open = 0;
    IdleList idle;
  };

  // REQUIRES: mutex_ held. Returns the new entry, or null when refused;
  // `shed` receives the close of a connection shed to make room.
  std::unique_ptr<Entry> AdmitLocked(const std::string& address, std::function<void()>& shed);
  // REQUIRES: mutex_ held. Gives up a counted entry's place: it leaves the
  // idle lists and the counts, and is counted no more.
  void Forget(Entry& entry);
  // REQUIRES: mutex_ held.
  void LeaveIdleLists(Entry& entry);
  void Release(Entry& entry);
  void MarkIdle(Entry& entry);
  bool MarkBusy(Entry& entry);

  const size_t max_total_;
  const size_t max_per_address_;
  const std::unordered_set<std::string> unlimited_;
  std::mutex mutex_;
  size_t total_ = 0;
  std::unordered_map<std::string, Client> clients_;  // only clients with open connections
  IdleList idle_;                                    // every client's, trusted proxies' too
  size_t refused_ = 0;                               // since the last report
  Clock::time_point last_report_{};
};

}  // namespace quorax

#endif  // QUORAX_HTTP_CONNECTION_LIMITS_H_
