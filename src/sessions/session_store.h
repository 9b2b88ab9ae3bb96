#ifndef QUORAX_SESSIONS_SESSION_STORE_H_
#define QUORAX_SESSIONS_SESSION_STORE_H_

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "sessions/serial_queue.h"
#include "sessions/session.h"
#include "sessions/session_id.h"

namespace quorax {

// One live session: its values and the queue that serves its requests one
// at a time. `session` is only touched by jobs of `queue`.
struct SessionEntry {
  SessionEntry(std::string session_id, SerialQueue::Executor executor)
      : id(std::move(session_id)), queue(std::make_shared<SerialQueue>(std::move(executor))) {}
  SessionEntry(const SessionEntry&) = delete;
  SessionEntry& operator=(const SessionEntry&) = delete;

  // Changed only by SessionStore::Rotate, which runs in a job of `queue`:
  // read it from such a job.
  std::string id;
  Session session;
  const std::shared_ptr<SerialQueue> queue;
  // Whether the application takes a run's body in this session, as its
  // values stood when its last request ended: set by the jobs of `queue`,
  // read when a request's header arrives, without them.
  std::atomic<bool> takes_run_body{false};

 private:
  friend class SessionStore;
  using Position = std::list<SessionEntry*>::iterator;

  std::chrono::steady_clock::time_point last_used;
  int in_use = 0;  // requests between Acquire and Release
  bool abandoned = false;
  std::string user;      // the signed-in user's name; empty for a guest
  std::string client;    // the key of the client that made the session
  bool counted = false;  // among the guests of `client`
  bool idle = false;     // linked at idle_pos in the store's idle order
  Position idle_pos;     // of the guest or the member order, as `user` says
  Position client_pos;   // in the idle guests of `client`, when idle and a guest
  Position user_pos;     // in the order of `user`'s sessions, when signed in
};

// The host's sessions, keyed by a 128-bit random id. A session ends when it
// has been idle (no request in progress) for the timeout, or is abandoned.
// At most `max_sessions` live at once. When that many are live, a new
// session takes the place of an expired one, else of the least recently
// used idle guest (a session nobody signed in to); when every idle session
// is signed in, there is no room. A client that holds
// `max_guests_per_client` guests gets a new one only in place of its own
// least recently used idle guest, so that one client's flood cannot push
// out another's guest waiting to sign in. So a flood of
// cookie-less clients neither exhausts memory nor locks signed-in users out.
// Every call costs O(1) amortised: expired sessions are removed a few per
// Acquire, and PurgeExpired lets a timer remove the rest. Thread-safe.
class SessionStore {
 public:
  using Clock = std::chrono::steady_clock;

  // `executor` runs the requests of every session's queue. A user may hold
  // at most `max_signed_in_per_user` signed-in sessions.
  // REQUIRES: max_signed_in_per_user >= 1, max_guests_per_client >= 1.
  SessionStore(std::chrono::milliseconds timeout, size_t max_sessions,
               SerialQueue::Executor executor, size_t max_signed_in_per_user = 20,
               size_t max_guests_per_client = SIZE_MAX);

  struct Acquired {
    std::shared_ptr<SessionEntry> entry;  // nullptr: no room for a new session
    bool is_new = false;
  };

  // Returns the live session named `id` and marks it in use until Release.
  // An empty, unknown, expired or abandoned id gets a new guest session of
  // `client` (is_new), or no entry when `client` holds its limit of guests
  // and none of them is idle, or the store is full and no session may make
  // room. Raises PlatformFailure when no random id can be drawn.
  Acquired Acquire(const std::string& id, Clock::time_point now, const std::string& client = "");

  // The live session named `id` when someone signed in to it; else nullptr
  // (no such session, expired, abandoned or a guest's). Creates nothing and
  // leaves the session as it was: neither in use nor newly used.
  std::shared_ptr<SessionEntry> FindSignedIn(const std::string& id, Clock::time_point now) const;

  // Ends one use of `entry`; its idle time counts from `now`. An abandoned
  // session is removed once no request uses it.
  void Release(const std::shared_ptr<SessionEntry>& entry, Clock::time_point now);

  // Marks `entry` abandoned: no later request finds it.
  // REQUIRES: called from a job of the entry's queue.
  void Abandon(const std::shared_ptr<SessionEntry>& entry);

  // Records that `user_name` signed in to `entry`: it no longer makes room
  // for new sessions. When the user then holds more signed-in sessions than
  // allowed, the least recently used idle ones are abandoned; a session with
  // a request in progress never is, so while all are busy the user holds one
  // more (a run between two of its requests is idle and may end).
  // Signing in to an abandoned entry does nothing. The host forwards this
  // from the application's request, as it does Abandon.
  // REQUIRES: called from a job of the entry's queue; user_name not empty.
  void MarkSignedIn(const std::shared_ptr<SessionEntry>& entry, const std::string& user_name);

  // Gives `entry` a fresh random id and returns it; the old id finds nothing
  // and the values stay. An abandoned entry keeps its id. Raises
  // PlatformFailure, leaving the entry as it was, when no id can be drawn.
  // REQUIRES: called from a job of the entry's queue.
  std::string Rotate(const std::shared_ptr<SessionEntry>& entry);

  // Starts `entry` afresh as a guest session under a new random id, as
  // Rotate does: the old id finds nothing and the entry no longer counts as
  // signed in. Its values are the caller's to clear. Raises PlatformFailure,
  // leaving the entry as it was, when no id can be drawn.
  // REQUIRES: called from a job of the entry's queue.
  std::string Renew(const std::shared_ptr<SessionEntry>& entry);

  // Removes every expired session; returns how many were removed.
  size_t PurgeExpired(Clock::time_point now);

  // The idle time after which a session ends.
  std::chrono::milliseconds timeout() const { return timeout_; }

  // Sessions held, counting abandoned ones still in use.
  size_t Count() const;

  // Entries the last Acquire, Release or PurgeExpired looked at beyond the
  // one it served: a measure of its cost, for tests.
  size_t LastVisited() const;

 private:
  using Entries = std::unordered_map<std::string, std::shared_ptr<SessionEntry>>;
  using Order = std::list<SessionEntry*>;
  // Sessions removed under the lock, destroyed after it is released.
  using Dropped = std::vector<std::shared_ptr<SessionEntry>>;

  bool Expired(const SessionEntry& entry, Clock::time_point now) const;
  Order& IdleOrderOf(const SessionEntry& entry);
  // Inserts `entry` into `order`, which is kept sorted by last_used.
  Order::iterator InsertByLastUsed(Order& order, SessionEntry& entry);
  void LinkIdle(SessionEntry& entry);
  void UnlinkIdle(SessionEntry& entry);
  // Takes `entry` out of its user's sessions: it is then nobody's.
  void UnlinkUser(SessionEntry& entry);
  // Counts `entry` among its client's guests, or stops counting it.
  void CountGuest(SessionEntry& entry);
  void UncountGuest(SessionEntry& entry);
  void Remove(SessionEntry& entry, Dropped& dropped);
  void End(SessionEntry& entry, Dropped& dropped);
  // Removes up to `limit` expired sessions; returns how many it removed.
  size_t PurgeLocked(Clock::time_point now, size_t limit, Dropped& dropped);
  // Removes an expired session or else the oldest idle guest; false when
  // there is none.
  bool MakeRoom(Clock::time_point now, Dropped& dropped);
  // The idle session of `sessions` used least recently, or nullptr when all
  // are in use. Looks at each: a user holds at most the limit plus one.
  SessionEntry* LeastRecentlyUsedIdle(const Order& sessions);
  // Removes the least recently used idle guest of `client` when it holds
  // its limit of guests; false when it does and none of them is idle.
  bool MakeRoomFor(const std::string& client, Dropped& dropped);

  const std::chrono::milliseconds timeout_;
  const size_t max_sessions_;
  const SerialQueue::Executor executor_;
  const size_t max_signed_in_per_user_;
  const size_t max_guests_per_client_;
  mutable std::mutex mutex_;
  Entries entries_;                               // by id; abandoned ones only while in use
  Order guests_;                                  // idle sessions nobody signed in to, by last_used
  Order members_;                                 // idle signed-in sessions, by last_used
  std::unordered_map<std::string, Order> users_;  // signed-in sessions, by time of sign-in
  // The guests each client holds, and its idle ones by last_used.
  struct Guests {
    size_t count = 0;
    Order idle;
  };
  std::unordered_map<std::string, Guests> clients_;
  size_t visited_ = 0;
};

}  // namespace quorax

#endif  // QUORAX_SESSIONS_SESSION_STORE_H_
