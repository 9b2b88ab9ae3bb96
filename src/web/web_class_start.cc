#include <cstdint>

#include "common/int16.h"
#include "common/text.h"
#include "web/main.h"

namespace quorax {

namespace {

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
    case 5:
      session.SetText("Message", "You have been logged out.");
      break;
    default:
      break;
  }
}

}  // namespace

// Outside debug mode a plain connection only gets a redirect to the secure
// host page; its status code is deliberately not carried over. A status that
// is not a 16-bit number raises before the session is touched.
void main::WebClass_Start(WebHost& host) {
  if (!DebugMode && EqualsIgnoreCase(host.ServerVariable("HTTPS"), "OFF")) {
    RedirectAndEnd(host,
                   "https://" + host.ServerVariable("LOCAL_ADDR") + Addresses.HostPageAddress);
    return;
  }
  const std::string status = host.QueryValue("s");
  const int16_t code = status.empty() ? 0 : ParseInt16(status, "the status code \"s\"");
  SetStatusMessage(host.session(), code);
  host.session().SetText("Last", "WebClass_Start");
  host.SetNextItem("Login");
}

}  // namespace quorax
