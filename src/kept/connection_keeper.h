#ifndef QUORAX_KEPT_CONNECTION_KEEPER_H_
#define QUORAX_KEPT_CONNECTION_KEEPER_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "common/kept_connection_defaults.h"
#include "tcdb/tcdb.h"

namespace quorax {

// The idle time after which a kept connection is closed, and the quiet time
// after which a user's learned limit goes (the other defaults are in
// kept_connection_defaults.h).
inline constexpr std::chrono::seconds kKeptConnectionIdleLimit{60};
inline constexpr std::chrono::seconds kUserLimitQuietTime{60};

// Database connections kept open between the requests of signed-in sessions,
// so that a request does not pay for connecting. Each kept connection belongs
// to one Claim, which one session holds: it is never handed out for another
// claim, and ending the claim (the session's values go on logout, expiry or
// eviction) closes it. At most `capacity` are kept: keeping one more closes
// the least recently used. One idle for `idle_limit` is closed. A database
// user's own connection limit is learned from MakeRoom: from then on the user
// keeps no more than it held at that moment, less the one closed, until
// kUserLimitQuietTime passes without another MakeRoom for it. Thread-safe; a
// call looks at no more than every kept connection.
class ConnectionKeeper {
 public:
  using Clock = std::chrono::steady_clock;
  struct Shared;

  // One session's claim on its kept connection. Destroying it closes that
  // connection; a claim that outlives its keeper does nothing.
  class Claim {
   public:
    ~Claim();
    Claim(const Claim&) = delete;
    Claim& operator=(const Claim&) = delete;

   private:
    friend class ConnectionKeeper;
    Claim(std::weak_ptr<Shared> keeper, uint64_t id) : keeper_(std::move(keeper)), id_(id) {}

    const std::weak_ptr<Shared> keeper_;
    const uint64_t id_;
  };

  // With `close_idle_in_background` a thread of the keeper closes idle
  // connections as their time runs out; without it only the calls below do.
  ConnectionKeeper(size_t capacity, std::chrono::milliseconds idle_limit,
                   bool close_idle_in_background);
  // Closes every kept connection.
  ~ConnectionKeeper();
  ConnectionKeeper(const ConnectionKeeper&) = delete;
  ConnectionKeeper& operator=(const ConnectionKeeper&) = delete;

  // A new claim, with no connection kept for it yet.
  std::shared_ptr<Claim> NewClaim();

  // Hands over the connection kept for `claim`, or null when none is (never
  // kept, or closed since for idleness or room). The keeper no longer holds
  // it: Keep gives it back. Closes connections idle at `now` first.
  std::unique_ptr<TCDB> Take(const Claim& claim, Clock::time_point now);

  // Keeps `database`, signed in as `user`, for `claim` as the most recently
  // used, closing one kept for the claim before and, when full (in all or for
  // `user`), the least recently used (of `user`). With no room at all it is
  // closed at once. Closes connections idle at `now` first.
  void Keep(const Claim& claim, const std::string& user, std::unique_ptr<TCDB> database,
            Clock::time_point now);

  // For a new connection of `user` that the database refused at `now` for
  // want of connections: closes the least recently used connection kept for
  // `user` and keeps fewer for it from now on, or else the least recently
  // used of any user (the server's own limit). False when none is kept.
  bool MakeRoom(const std::string& user, Clock::time_point now);

  // Waits until a connection is handed back by Keep (kept or closed) or
  // closed by the keeper, or `at_most` has passed.
  void AwaitReturn(std::chrono::milliseconds at_most);

  // Closes the connections idle for the idle limit or longer at `now`;
  // returns how many.
  size_t CloseIdle(Clock::time_point now);

  // Connections kept now.
  size_t Count() const;

 private:
  // Closes idle connections as they expire until `stop` is requested.
  void CloseIdleUntil(std::stop_token stop);

  const std::shared_ptr<Shared> shared_;
  std::jthread closer_;  // last: stopped and joined before `shared_` goes
};

}  // namespace quorax

#endif  // QUORAX_KEPT_CONNECTION_KEEPER_H_
