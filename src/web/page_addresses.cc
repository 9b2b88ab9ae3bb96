#include "web/page_addresses.h"

#include "common/page_contract.h"
#include "web/host_page.h"

namespace quorax {

bool SettingIsYes(const std::string& value) {
  return !value.empty() && (value.front() == 'Y' || value.front() == 'y');
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
  const auto item_address = [&](const char* item) {
    return addresses.HostPageAddress + "?" + contract::kItemKey + "=" + item + "&amp;WCU=&amp;";
  };
  addresses.SubmitCSVAddress = item_address(contract::kSubmitCSV);
  addresses.ImportDoneAddress = item_address(contract::kImportDone);
  addresses.ExportCSVAddress = item_address(contract::kExportCSV);
  return addresses;
}

}  // namespace quorax
