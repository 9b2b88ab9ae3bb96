#ifndef QUORAX_WEB_PAGE_ADDRESSES_H_
#define QUORAX_WEB_PAGE_ADDRESSES_H_

#include <string>

#include "support/config.h"

namespace quorax {

// The addresses of the application's pages, built once from the settings.
// The page addresses are server-relative and already escaped for an HTML
// attribute ("&amp;" stands for "&"). Without a settings file every field is
// empty.
struct PageAddresses {
  std::string BaseDirectory;      // setting "BaseDir", ending in "/"
  std::string UrlScheme;          // "http://" or "https://": starts the start address
  std::string HostPageAddress;    // BaseDirectory + the host page's name
  std::string SubmitCSVAddress;   // the upload form; ends in "&amp;"
  std::string ImportDoneAddress;  // the results page; ends in "&amp;" so "d=b" can follow
  std::string ExportCSVAddress;   // the download of bad rows; ends in "&amp;"
};

// The address of page item `item` in the host page of `addresses`, escaped
// for an attribute and ending in "&amp;" so that query pairs can follow.
std::string ItemAddress(const PageAddresses& addresses, const char* item);

// True when the first character of setting value `value` is "Y" or "y".
bool SettingIsYes(const std::string& value);

// Builds the addresses from loaded `settings`: "BaseDir" gets a "/" unless it
// ends in one; the scheme is "http://" in debug mode ("Debug" is yes), else
// "https://" when "Secure" is yes. Values are used as stored, spaces included.
PageAddresses PageAddressesFrom(const Config& settings);

}  // namespace quorax

#endif  // QUORAX_WEB_PAGE_ADDRESSES_H_
