#include "common/text.h"
#include "web/main.h"

namespace quorax {

std::string main::StartAddress(WebHost& host, const std::string& status) const {
  std::string address = UrlScheme + host.ServerVariable("LOCAL_ADDR") + HostPageAddress;
  if (!status.empty()) address += "?s=" + status;
  return address;
}

bool main::InPageOrder(WebHost& host, std::initializer_list<const char*> accepted) const {
  const std::string last = host.session().GetText("Last");
  for (const char* name : accepted) {
    if (EqualsIgnoreCase(last, name)) return true;
  }
  RedirectAndEnd(host, StartAddress(host));
  return false;
}

void main::RedirectAndEnd(WebHost& host, const std::string& address) {
  host.Redirect(address);
  host.End();
}

// The common tags are always written without their markers, whatever the
// debug mode; a tag handled here is final.
bool main::ProcessCommonTags(WebHost& host, const std::string& TagName, std::string& TagContents,
                             bool& SendTags) {
  SendTags = false;
  const std::string name = ToUpper(TagName);
  if (name == "WC@BUILD_VER") {
    TagContents = "v" + BuildVersion;
  } else if (name == "WC@BUILD_DATE") {
    TagContents = BuildDateText;
  } else if (name == "WC@LOGOUT_URL") {
    TagContents = StartAddress(host, "5");
  } else {
    return false;
  }
  return true;
}

}  // namespace quorax
