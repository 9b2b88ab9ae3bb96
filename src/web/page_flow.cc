#include "common/text.h"
#include "contract/page_contract.h"
#include "web/answer_status.h"
#include "web/main.h"
#include "web/named_table.h"

namespace quorax {

std::string main::StartAddress(WebHost& host, int16_t code) const {
  // Built in one buffer: every page writes this address in its logout link.
  const std::string local_addr = host.ServerVariable("LOCAL_ADDR");
  std::string address;
  address.reserve(Addresses.UrlScheme.size() + local_addr.size() +
                  Addresses.HostPageAddress.size() + 16);
  address.append(Addresses.UrlScheme).append(local_addr).append(Addresses.HostPageAddress);
  if (code != contract::kNoStatus) {
    address.append("?").append(contract::kStartStatusKey).append("=").append(std::to_string(code));
  }
  return address;
}

void main::RedirectToStart(WebHost& host, int16_t code, const std::string& reason) const {
  const char* token = contract::StartStatusToken(code);
  if (code == contract::kNoStatus && host.session().GetText("Last").empty()) {
    token = contract::kSessionEnded;
    if (host.ServerVariable("SESSION_ENDED") == "1") code = contract::kSessionTimedOut;
  }
  MarkAnswer(host, token, reason.empty() ? StartMessage(code, host).value_or("") : reason);
  RedirectAndEnd(host, StartAddress(host, code));
}

bool main::Follows(const Session& session, std::initializer_list<const char*> accepted) {
  const std::string last = session.GetText("Last");
  for (const char* name : accepted) {
    if (EqualsIgnoreCase(last, name)) return true;
  }
  return false;
}

bool main::InPageOrder(WebHost& host, std::initializer_list<const char*> accepted) const {
  if (Follows(host.session(), accepted)) return true;
  RedirectToStart(host, contract::kNoStatus);
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
  static constexpr PageTag kCommonTags[] = {
      {"WC@BUILD_VER",
       [](const main& app, WebHost&, std::string& contents) { contents = "v" + app.BuildVersion; }},
      {"WC@BUILD_DATE",
       [](const main& app, WebHost&, std::string& contents) { contents = app.BuildDateText; }},
      {"WC@LOGOUT_URL",
       [](const main& app, WebHost& page, std::string& contents) {
         contents = app.StartAddress(page, contract::kLoggedOut);
       }},
  };
  SendTags = false;
  const PageTag* tag = FindNamed(kCommonTags, TagName);
  if (tag == nullptr) return false;
  tag->Handle(*this, host, TagContents);
  return true;
}

void main::ProcessPageTag(WebHost& host, const std::string& TagName, std::string& TagContents,
                          bool& SendTags, std::span<const PageTag> tags) {
  if (ProcessCommonTags(host, TagName, TagContents, SendTags)) return;
  SendTags = DebugMode;
  const PageTag* tag = FindNamed(tags, TagName);
  if (tag != nullptr) tag->Handle(*this, host, TagContents);
}

}  // namespace quorax
