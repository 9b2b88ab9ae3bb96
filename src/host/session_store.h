#ifndef QUORAX_HOST_SESSION_STORE_H_
#define QUORAX_HOST_SESSION_STORE_H_

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "host/serial_queue.h"
#include "host/session.h"

namespace quorax {

// One live session: its values and the queue that serves its requests one
// at a time. `session` is only touched by jobs of `queue`.
struct SessionEntry {
  SessionEntry(std::string session_id, SerialQueue::Executor executor)
      : id(std::move(session_id)), queue(std::make_shared<SerialQueue>(std::move(executor))) {}

  const std::string id;
  Session session;
  const std::shared_ptr<SerialQueue> queue;

 private:
  friend class SessionStore;
  std::chrono::steady_clock::time_point last_used;
  int in_use = 0;
  int requests = 0;  // requests that have acquired it
  bool abandoned = false;
};

// The host's sessions, keyed by a 128-bit random id. A session ends when it
// has been idle (no request in progress) for the timeout, or is abandoned.
// At most `max_sessions` live at once; when that many are live, the oldest
// idle session that never came back (one request only, as every cookie-less
// client leaves behind) makes room, so that a flood of such clients neither
// exhausts memory nor locks out users. Thread-safe.
class SessionStore {
 public:
  using Clock = std::chrono::steady_clock;

  // `executor` runs the requests of every session's queue.
  SessionStore(std::chrono::milliseconds timeout, size_t max_sessions,
               SerialQueue::Executor executor);

  struct Acquired {
    std::shared_ptr<SessionEntry> entry;  // nullptr: the store is full
    bool is_new = false;
  };

  // Returns the live session named `id` and marks it in use until Release.
  // An empty, unknown, expired or abandoned id gets a new session
  // (is_new); when max_sessions are live even after purging the expired
  // ones and no session of a single request is idle, returns no entry. Raises PlatformFailure when
  // no random id can be drawn.
  Acquired Acquire(const std::string& id, Clock::time_point now);

  // Ends one use of `entry`; its idle time counts from `now`. An abandoned
  // session is removed.
  void Release(const std::shared_ptr<SessionEntry>& entry, Clock::time_point now);

  // Marks `entry` abandoned: no later request finds it.
  // REQUIRES: called from a job of the entry's queue.
  void Abandon(const std::shared_ptr<SessionEntry>& entry);

  // Removes every expired session; returns how many were removed.
  size_t PurgeExpired(Clock::time_point now);

  size_t Count() const;

 private:
  bool Expired(const SessionEntry& entry, Clock::time_point now) const;
  size_t PurgeLocked(Clock::time_point now);
  // Removes the oldest idle session of one request; false when there is none.
  bool EvictOneShotLocked();

  const std::chrono::milliseconds timeout_;
  const size_t max_sessions_;
  const SerialQueue::Executor executor_;
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<SessionEntry>> entries_;
  Clock::time_point last_purge_;
};

// Returns a new session id: 32 lower-case hexadecimal digits from a
// cryptographic random source. Raises PlatformFailure when it fails.
std::string NewSessionId();

}  // namespace quorax

#endif  // QUORAX_HOST_SESSION_STORE_H_
