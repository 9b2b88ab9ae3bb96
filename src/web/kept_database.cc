#include "web/kept_database.h"

#include <string>
#include <utility>

#include "sessions/session.h"

namespace quorax {

namespace {

// A session's claim on its kept connection, with the credentials that
// connection signed in with: it serves the session only while the session
// holds the same ones. The session's values go when it ends (logout, expiry,
// eviction), and the claim with them closes the connection.
struct SessionClaim {
  std::shared_ptr<ConnectionKeeper::Claim> claim;
  std::string user;
  std::string password;
};

constexpr char kClaimKey[] = "DatabaseClaim";

constexpr int kConnectAttempts = 3;

std::shared_ptr<SessionClaim> ClaimOf(const Session& session) {
  return session.GetObject<SessionClaim>(kClaimKey);
}

}  // namespace

std::unique_ptr<TCDB> TakeDatabase(ConnectionKeeper& keeper, const Session& session) {
  const auto held = ClaimOf(session);
  std::unique_ptr<TCDB> kept =
      held != nullptr ? keeper.Take(*held->claim, ConnectionKeeper::Clock::now()) : nullptr;
  if (kept == nullptr || held->user != session.GetText("User") ||
      held->password != session.GetText("Pass")) {
    return std::make_unique<TCDB>();
  }
  return kept;
}

int16_t ConnectDatabase(ConnectionKeeper& keeper, const Session& session, const std::string& dsn,
                        TCDB& database) {
  const std::string user = session.GetText("User");
  const std::string password = session.GetText("Pass");
  for (int attempt = 1;; ++attempt) {
    const int16_t connected = database.Connect(dsn, user, password);
    if (connected == 0 || attempt == kConnectAttempts || !database.OutOfConnections() ||
        !keeper.MakeRoom(user)) {
      return connected;
    }
  }
}

void KeepDatabase(ConnectionKeeper& keeper, Session& session, std::unique_ptr<TCDB> database) {
  auto held = ClaimOf(session);
  if (held == nullptr) {
    held = std::make_shared<SessionClaim>(SessionClaim{keeper.NewClaim(), "", ""});
    session.SetObject(kClaimKey, held);
  }
  held->user = session.GetText("User");
  held->password = session.GetText("Pass");
  keeper.Keep(*held->claim, held->user, std::move(database), ConnectionKeeper::Clock::now());
}

void ForgetDatabase(ConnectionKeeper& keeper, const Session& session) {
  // What Take hands over is closed as it goes.
  if (const auto held = ClaimOf(session)) keeper.Take(*held->claim, ConnectionKeeper::Clock::now());
}

}  // namespace quorax
