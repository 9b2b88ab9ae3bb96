#include <cstdint>

#include "common/int16.h"
#include "common/text.h"
#include "web/main.h"

namespace quorax {

namespace {

constexpr int16_t kLoggedOut = 5;

// Sets session "Message" for start page status `code`. Codes without a
// message (3 and any unknown value) leave it as an earlier request left it.
void SetStatusMessage(Session& session, int16_t code) {
  switch (code) {
    case 0:
      session.SetText("Message", "");
      break;
    case 1:
      session.SetText("Message", "Authentication Failed. Access Denied.");
      break;
    case 2:
      session.SetText("Message", "Unhandled Exception. (" +
                                     std::string(TrimSpaces(session.GetText("ErrorMsg"))) + ").");
      break;
    case 4:
      session.SetText("Message", "The connection to the database has been lost. Please try again.");
      break;
    case kLoggedOut:
      session.SetText("Message", "You have been logged out.");
      break;
    case 6:
      session.SetText("Message",
                      "Too many failed sign-ins. Please wait a few minutes and try again.");
      break;
    default:
      break;
  }
}

}  // namespace

// Outside debug mode a plain connection only gets a redirect to the secure
// host page; its status code is deliberately not carried over. A status that
// is not a 16-bit number raises before the session is touched. Log out
// (status 5) sets session "s", so that the sign-in page ends the session
// once it has shown the message.
void main::WebClass_Start(WebHost& host) {
  if (!DebugMode && EqualsIgnoreCase(host.ServerVariable("HTTPS"), "OFF")) {
    RedirectAndEnd(host,
                   "https://" + host.ServerVariable("LOCAL_ADDR") + Addresses.HostPageAddress);
    return;
  }
  const std::string status = host.QueryValue("s");
  const int16_t code = status.empty() ? 0 : ParseInt16(status, "the status code \"s\"");
  SetStatusMessage(host.session(), code);
  host.session().SetText("s", code == kLoggedOut ? status : "");
  host.session().SetText("Last", "WebClass_Start");
  host.SetNextItem("Login");
}

}  // namespace quorax
