#include "web/page_addresses.h"

#include "contract/page_contract.h"
#include "web/host_page.h"

namespace quorax {

bool SettingIsYes(const std::string& value) {
  return !value.empty() && (value.front() == 'Y' || value.front() == 'y');
}

std::string ItemAddress(const PageAddresses& addresses, const char* item) {
  return addresses.HostPageAddress + "?" + contract::kItemKey + "=" + item + "&amp;WCU=&amp;";
}

PageAddresses PageAddressesFrom(const Config& settings) {
  PageAddresses addresses;
  addresses.BaseDirectory = settings.GetItem("BaseDir");
  if (addresses.BaseDirectory.empty() || addresses.BaseDirectory.back() != '/') {
    addresses.BaseDirectory += '/';
  }
  // In debug mode "Secure" is not consulted.
  const bool secure =
      !SettingIsYes(settings.GetItem("Debug")) && SettingIsYes(settings.GetItem("Secure"));
  addresses.UrlScheme = secure ? "https://" : "http://";
  addresses.HostPageAddress = addresses.BaseDirectory + kHostPageName;
  addresses.SubmitCSVAddress = ItemAddress(addresses, contract::kSubmitCSV);
  addresses.ImportDoneAddress = ItemAddress(addresses, contract::kImportDone);
  addresses.ExportCSVAddress = ItemAddress(addresses, contract::kExportCSV);
  return addresses;
}

}  // namespace quorax
