#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

#include "common/int16.h"
#include "common/text.h"
#include "contract/page_contract.h"
#include "web/main.h"

namespace quorax {

namespace {

// Sets session "Message" for start page status `code`. Codes without a
// message (3 and any unknown value) leave it as an earlier request left it.
void SetStatusMessage(WebHost& host, int16_t code) {
  if (code == contract::kNoStatus) {
    host.session().SetText("Message", "");
  } else if (std::optional<std::string> message = main::StartMessage(code, host)) {
    host.session().SetText("Message", std::move(*message));
  }
}

// "N minutes" for the session timeout the host reports in whole minutes,
// else "N seconds"; "a while" when it reports none.
std::string TimeoutText(const std::string& seconds_text) {
  int64_t seconds = 0;
  std::from_chars(seconds_text.data(), seconds_text.data() + seconds_text.size(), seconds);
  if (seconds <= 0) return "a while";
  if (seconds % 60 != 0) return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
  const int64_t minutes = seconds / 60;
  return std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes");
}

}  // namespace

std::optional<std::string> main::StartMessage(int16_t code, WebHost& host) {
  const Session& session = host.session();
  switch (code) {
    case contract::kSignInRefused:
      return "Authentication Failed. Access Denied.";
    case contract::kDatabaseUnreachable: {
      // A database with no connection to spare is a known, passing state:
      // the tester is told to retry rather than shown an exception.
      const std::string words(TrimSpaces(session.GetText("ErrorMsg")));
      if (session.GetBool("DatabaseBusy")) {
        return "The database has no connection to spare. Please try again in a moment. (" + words +
               ").";
      }
      return "Unhandled Exception. (" + words + ").";
    }
    case contract::kConnectionLost:
      return "The connection to the database has been lost. Please try again.";
    case contract::kLoggedOut:
      return "You have been logged out.";
    case contract::kThrottled:
      return "Too many failed sign-ins. Please wait a few minutes and try again.";
    case contract::kSessionTimedOut:
      return "Your session ended after " + TimeoutText(host.ServerVariable("SESSION_TIMEOUT")) +
             " without activity. Sign in again.";
    default:
      return std::nullopt;
  }
}

// Outside debug mode a plain connection only gets a redirect to the secure
// host page; its status code is deliberately not carried over. A status that
// is not a 16-bit number raises before the session is touched. Log out
// (status 5) sets session "s", so that the sign-in page ends the session
// once it has shown the message.
void main::WebClass_Start(WebHost& host) {
  if (!ServesPlainConnections() && EqualsIgnoreCase(host.ServerVariable("HTTPS"), "OFF")) {
    RedirectAndEnd(host,
                   "https://" + host.ServerVariable("LOCAL_ADDR") + Addresses.HostPageAddress);
    return;
  }
  const std::string status = host.QueryValue(contract::kStartStatusKey);
  const int16_t code = status.empty() ? 0 : ParseInt16(status, "the status code \"s\"");
  SetStatusMessage(host, code);
  host.session().SetText("s", code == contract::kLoggedOut ? status : "");
  host.session().SetText("Last", "WebClass_Start");
  host.SetNextItem(contract::kLogin);
}

}  // namespace quorax
