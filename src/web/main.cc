#include "web/main.h"

#include "web/export_results.h"
#include "web/named_table.h"
#include "web/run_work.h"

namespace quorax {

Routes main::SiteRoutes() const {
  Routes routes = PageRoutes(kHostPageName, contract::kImportCSV, contract::kSubmitCSV);
  routes.run_item = contract::kStartRun;
  return routes;
}

main::main(std::string settings_file, SignInThrottle::Clock clock, size_t kept_connections,
           std::chrono::milliseconds connection_max_age, const RunLimits& runs)
    : Settings(WebClass_Initialize(settings_file)),
      DebugMode(Settings != nullptr && SettingIsYes(Settings->GetItem("Debug"))),
      DataSourceName(Settings != nullptr ? Settings->GetItem("DSN") : ""),
      BuildVersion(Settings != nullptr ? Settings->GetItem("BuildVer") : "{Error}"),
      BuildDateText(Settings != nullptr ? Settings->GetItem("BuildDate") : "{Error}"),
      Addresses(Settings != nullptr ? PageAddressesFrom(*Settings) : PageAddresses{}),
      Throttle(std::move(clock)),
      Connections(kept_connections, kKeptConnectionIdleLimit, true),
      ConnectionMaxAge(connection_max_age),
      MaxRunBytes(runs.largest_bytes),
      Runs(runs, [this](FileRun& run, RunStop& stop) {
        CarryOutRun(run, stop, Connections, ConnectionMaxAge);
      }) {}

std::string main::DefaultSettingsFile() { return QUORAX_SETTINGS_FILE; }

std::unique_ptr<const Config> main::WebClass_Initialize(const std::string& settings_file) {
  auto settings = std::make_unique<Config>();
  if (settings->Load(settings_file) < 0) return nullptr;
  return settings;
}

void main::ExportResults_Respond(WebHost& host) { WriteExportResults(host); }

bool main::Respond(const std::string& item, WebHost& host) {
  static constexpr Named<void (main::*)(WebHost&)> kPageItems[] = {
      {contract::kExportCSV, &main::ExportCSV_Respond},
      {contract::kExportResults, &main::ExportResults_Respond},
      {contract::kFixRows, &main::FixRows_Respond},
      {contract::kImportCSV, &main::ImportCSV_Respond},
      {contract::kImportDone, &main::ImportDone_Respond},
      {contract::kImportRows, &main::ImportRows_Respond},
      {contract::kLogin, &main::Login_Respond},
      {contract::kRecheckRows, &main::RecheckRows_Respond},
      {contract::kSubmitCSV, &main::SubmitCSV_Respond},
      {contract::kStartRun, &main::StartRun_Respond},
      {contract::kRunProgress, &main::RunProgress_Respond},
      {contract::kRunStatus, &main::RunStatus_Respond},
      {contract::kCancelRun, &main::CancelRun_Respond},
      {contract::kRunResults, &main::RunResults_Respond},
      {contract::kRunScript, &main::RunScript_Respond},
      {contract::kRunErrors, &main::RunErrors_Respond},
      {contract::kRunExport, &main::RunExport_Respond},
      {contract::kRunFix, &main::RunFix_Respond},
      {contract::kRunRecheck, &main::RunRecheck_Respond},
      {contract::kRunImport, &main::RunImport_Respond},
  };
  const auto* page_item = FindNamed(kPageItems, item);
  if (page_item == nullptr) return false;
  if (StillAdmitted(host, item)) (this->*page_item->Handle)(host);
  return true;
}

bool main::NeverBlocks(const std::string& item) const {
  return item.empty() || EqualsIgnoreCase(item, contract::kLogin) ||
         EqualsIgnoreCase(item, contract::kRunStatus) ||
         EqualsIgnoreCase(item, contract::kRunScript) ||
         EqualsIgnoreCase(item, contract::kRunProgress);
}

}  // namespace quorax
