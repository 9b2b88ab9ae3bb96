#include "web/page_addresses.h"

#include "host/host_page.h"

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
  addresses.SubmitCSVAddress = addresses.HostPageAddress + "?WCI=SubmitCSV&amp;WCU=&amp;";
  addresses.ImportDoneAddress = addresses.HostPageAddress + "?WCI=ImportDone&amp;WCU=&amp;";
  addresses.ExportCSVAddress = addresses.HostPageAddress + "?WCI=ExportCSV&amp;WCU=&amp;";
  return addresses;
}

}  // namespace quorax
