#include "contract/page_contract.h"
#include "kept/kept_database.h"
#include "web/main.h"
#include "web/named_table.h"

namespace quorax {

namespace {

// The run's pages that show what the database recorded, and whether each
// may check the sign-in with a connection (the progress page never blocks).
constexpr Named<bool> kGuardedRunPages[] = {
    {contract::kRunProgress, false}, {contract::kRunResults, true}, {contract::kRunErrors, true},
    {contract::kRunExport, true},    {contract::kRunFix, true},
};

}  // namespace

bool main::StillAdmitted(WebHost& host, const std::string& item) {
  const auto* page = FindNamed(kGuardedRunPages, item);
  Session& session = host.session();
  const auto held = session.GetObject<HeldRun>("FileRun");
  if (page == nullptr || held == nullptr) return true;
  bool refused = held->run->AccessRefused();
  if (!refused && page->Handle && !DataSourceName.empty() && !session.GetText("User").empty()) {
    std::unique_ptr<TCDB> database = TakeDatabase(Connections, session, ConnectionMaxAge);
    const int16_t code = ConnectDatabase(Connections, session, DataSourceName, *database);
    refused = code == -1;
    if (code == 0) KeepDatabase(Connections, session, std::move(database));
  }
  if (!refused) return true;
  host.AbandonSession();
  RedirectToStart(host, contract::kSignInRefused);
  return false;
}

}  // namespace quorax
