#include "web/kept_database.h"

#include <string>
#include <utility>

#include "sessions/session.h"

namespace quorax {

namespace {

// The session value holding the session's claim. The session's values go
// when it ends (logout, expiry, eviction), and the claim with them closes the
// connection.
constexpr char kClaimKey[] = "DatabaseClaim";

constexpr int kConnectAttempts = 3;

}  // namespace

std::unique_ptr<TCDB> TakeDatabase(ConnectionKeeper& keeper, const Session& session) {
  const auto claim = session.GetObject<ConnectionKeeper::Claim>(kClaimKey);
  std::unique_ptr<TCDB> kept =
      claim != nullptr ? keeper.Take(*claim, ConnectionKeeper::Clock::now()) : nullptr;
  return kept != nullptr ? std::move(kept) : std::make_unique<TCDB>();
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
  auto claim = session.GetObject<ConnectionKeeper::Claim>(kClaimKey);
  if (claim == nullptr) {
    claim = keeper.NewClaim();
    session.SetObject(kClaimKey, claim);
  }
  keeper.Keep(*claim, session.GetText("User"), std::move(database), ConnectionKeeper::Clock::now());
}

void ForgetDatabase(ConnectionKeeper& keeper, const Session& session) {
  const auto claim = session.GetObject<ConnectionKeeper::Claim>(kClaimKey);
  // What Take hands over is closed as it goes.
  if (claim != nullptr) keeper.Take(*claim, ConnectionKeeper::Clock::now());
}

}  // namespace quorax
