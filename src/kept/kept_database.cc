#include "kept/kept_database.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>

#include "sessions/session.h"

namespace quorax {

namespace {

using Clock = ConnectionKeeper::Clock;

// A session's claim on its kept connection, with the credentials that
// connection signed in with: it serves the session only while the session
// holds the same ones. The session's values go when it ends (logout, expiry,
// eviction), and the claim with them closes the connection.
struct SessionClaim {
  std::shared_ptr<ConnectionKeeper::Claim> claim;
  std::string user;
  std::string password;
  Clock::time_point checked;  // when the database last accepted the credentials
};

constexpr char kClaimKey[] = "DatabaseClaim";

// While the database has no connection to spare: the longest a connect
// waits for one, the kept connections it may close to make room, and the
// longest pause between two tries (one closed elsewhere, not handed back
// here, is noticed by then). The wait holds a worker, so it stays short.
constexpr std::chrono::milliseconds kConnectionWait{2000};
constexpr int kRoomsMade = 2;
constexpr std::chrono::milliseconds kRetryEvery{100};

std::shared_ptr<SessionClaim> ClaimOf(const Session& session) {
  return session.GetObject<SessionClaim>(kClaimKey);
}

}  // namespace

// A connection too old, or signed in with other credentials, is closed as it
// goes, so that a changed password or a withdrawn login ends its access
// within `max_age`.
std::unique_ptr<TCDB> TakeDatabase(ConnectionKeeper& keeper, const Session& session,
                                   std::chrono::milliseconds max_age) {
  const Clock::time_point now = Clock::now();
  const auto held = ClaimOf(session);
  std::unique_ptr<TCDB> kept = held != nullptr ? keeper.Take(*held->claim, now) : nullptr;
  if (kept != nullptr && held->user == session.GetText("User") &&
      held->password == session.GetText("Pass") && now - held->checked < max_age) {
    return kept;
  }
  if (held != nullptr) held->checked = now;
  return std::make_unique<TCDB>();
}

int16_t ConnectDatabase(ConnectionKeeper& keeper, const Session& session, const std::string& dsn,
                        TCDB& database) {
  return ConnectDatabase(keeper, session.GetText("User"), session.GetText("Pass"), dsn, database);
}

int16_t ConnectDatabase(ConnectionKeeper& keeper, const std::string& user,
                        const std::string& password, const std::string& dsn, TCDB& database) {
  const Clock::time_point deadline = Clock::now() + kConnectionWait;
  int rooms_made = 0;
  for (;;) {
    const int16_t connected = database.Connect(dsn, user, password);
    const Clock::time_point now = Clock::now();
    if (connected == 0 || !database.OutOfConnections() || now >= deadline) return connected;
    if (rooms_made < kRoomsMade && keeper.MakeRoom(user, now)) {
      ++rooms_made;
    } else {
      keeper.AwaitReturn(std::min<std::chrono::milliseconds>(
          kRetryEvery, std::chrono::ceil<std::chrono::milliseconds>(deadline - now)));
    }
  }
}

void KeepDatabase(ConnectionKeeper& keeper, Session& session, std::unique_ptr<TCDB> database) {
  auto held = ClaimOf(session);
  if (held == nullptr) {
    held = std::make_shared<SessionClaim>(SessionClaim{keeper.NewClaim(), "", "", Clock::now()});
    session.SetObject(kClaimKey, held);
  }
  held->user = session.GetText("User");
  held->password = session.GetText("Pass");
  keeper.Keep(*held->claim, held->user, std::move(database), Clock::now());
}

void ForgetDatabase(ConnectionKeeper& keeper, const Session& session) {
  // What Take hands over is closed as it goes.
  if (const auto held = ClaimOf(session)) keeper.Take(*held->claim, Clock::now());
}

}  // namespace quorax
