#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "common/text.h"
#include "contract/page_contract.h"
#include "http/limit_key.h"
#include "kept/kept_database.h"
#include "metrics/metrics.h"
#include "tcdb/tcdb.h"
#include "web/answer_status.h"
#include "web/main.h"

namespace quorax {

namespace {

// The longest user name or password tried. The database client hashes a
// password in time that grows with its length, so a longer one would hold a
// worker for seconds; it is refused untried, as a wrong password is.
constexpr size_t kMaxCredentialBytes = 1024;

// Tries a connection with the session's "User" and "Pass" and keeps it for
// the session's uploads. Returns kNoStatus when the database accepts them,
// kSignInRefused when it refuses them (or reports no reason), else
// kDatabaseUnreachable after setting session "ErrorMsg" to the database error
// text and "DatabaseBusy" to whether it had no connection to spare even after
// the wait ConnectDatabase allows. An empty connection string is never
// tried: the database client would fall back to its defaults and the environment, and could sign
// the tester in to some other database. Never raises for a database failure.
int16_t CheckCredentials(const std::string& dsn, ConnectionKeeper& keeper, Session& session) {
  if (TrimSpaces(dsn).empty()) {
    session.SetText("ErrorMsg",
                    "The server has no database configured: its settings give no \"DSN\"");
    session.SetBool("DatabaseBusy", false);
    return contract::kDatabaseUnreachable;
  }
  // Max age zero: always a new connection, so the database judges afresh.
  std::unique_ptr<TCDB> database = TakeDatabase(keeper, session, std::chrono::milliseconds::zero());
  const int16_t connected = ConnectDatabase(keeper, session, dsn, *database);
  if (connected == -1) return contract::kSignInRefused;
  if (connected < 0) {
    session.SetText("ErrorMsg", database->GetErrorString());
    session.SetBool("DatabaseBusy", database->OutOfConnections());
    return contract::kDatabaseUnreachable;
  }
  KeepDatabase(keeper, session, std::move(database));
  return contract::kNoStatus;
}

// Decides a posted sign-in as CheckCredentials does, after the throttle:
// kThrottled while it refuses the client, without contacting the database.
// Only refused credentials count as a failed sign-in: a database that cannot
// be reached says nothing of the password, and counting it would lock every
// tester out for a while after an outage. An accepted sign-in renews the
// session's id and marks it signed in. Counts the outcome in the metrics (a
// database that cannot be reached counts as a connection failure instead).
int16_t SignIn(const std::string& dsn, SignInThrottle& throttle, ConnectionKeeper& keeper,
               WebHost& host) {
  Session& session = host.session();
  // Counted as connections are: an IPv6 client per /64, which it may roam.
  const std::string address = LimitKey(host.ServerVariable("REMOTE_ADDR"));
  const std::string user = session.GetText("User");
  if (throttle.Refuses(address, user)) {
    metrics::SignIn(metrics::SignInOutcome::kThrottled);
    return contract::kThrottled;
  }
  const bool too_long =
      user.size() > kMaxCredentialBytes || session.GetText("Pass").size() > kMaxCredentialBytes;
  const int16_t status =
      too_long ? int16_t{contract::kSignInRefused} : CheckCredentials(dsn, keeper, session);
  if (status == contract::kSignInRefused) {
    metrics::SignIn(metrics::SignInOutcome::kRefused);
    throttle.Failed(address, user);
  }
  if (status != contract::kNoStatus) return status;
  metrics::SignIn(metrics::SignInOutcome::kAccepted);
  throttle.Succeeded(address, user);
  host.SignedIn(user);
  return contract::kNoStatus;
}

// The session value of run field tag `tag`, or nullptr for another tag.
const char* RunFieldKey(const std::string& tag) {
  static constexpr std::pair<const char*, const char*> kFields[] = {
      {"WC@RUN_VERSION", "RunVersion"}, {"WC@RUN_PLATFORM", "RunPlatform"},
      {"WC@RUN_BROWSER", "RunBrowser"}, {"WC@RUN_TESTER", "RunTester"},
      {"WC@RUN_DATE", "RunDate"},       {"WC@RUN_CASE_PATTERN", "RunCasePattern"}};
  for (const auto& [name, key] : kFields) {
    if (EqualsIgnoreCase(tag, name)) return key;
  }
  return nullptr;
}

}  // namespace

// A posted sign-in form (previous step "Login_Respond") is checked against the
// database; a return from the results page, or from the page of an upload
// the import refused ("Last" is then "ImportCSV_Respond"), only needs
// credentials still in the session. A form posted into a session that has
// seen no page (the one the sign-in page was shown in ended meanwhile) is a
// sign-in too: it carries no more than a form posted without a cookie, and
// cross-site posts never reach the application. A new session id on an
// accepted sign-in keeps an id planted before it from reaching the
// signed-in session.
//
// Every sign-in attempt, accepted or not, starts from an empty session (but
// for the page order and the last database error text), so that nothing of
// the previous tester's run (table, outcomes, downloads) reaches whoever
// signs in next on a shared browser. The upload form shown
// again ("Last" is "SubmitCSV_Respond", as after a refusal the host answered
// before the application ran) needs the credentials in the session and no
// sign-in form: a sign-in form posted a second time goes back to the start.
void main::SubmitCSV_Respond(WebHost& host) {
  if (!InPageOrder(host, {"Login_Respond", "", "ImportDone_Respond", "ImportCSV_Respond",
                          "SubmitCSV_Respond", "StartRun_Respond"})) {
    return;
  }
  Session& session = host.session();
  const std::string last = session.GetText("Last");
  if (EqualsIgnoreCase(last, "SubmitCSV_Respond") &&
      !(host.FormValue("uid").empty() && host.FormValue("pwd").empty())) {
    RedirectToStart(host, contract::kNoStatus);
    return;
  }
  const bool signing_in = last.empty() || EqualsIgnoreCase(last, "Login_Respond");
  if (signing_in) {
    ForgetDatabase(Connections, session);
    const bool had_error_text = session.Contains("ErrorMsg");
    const std::string error_text = session.GetText("ErrorMsg");
    session.Clear();
    session.SetText("Last", last);
    if (had_error_text) session.SetText("ErrorMsg", error_text);
    session.SetText("User", host.FormValue("uid"));
    session.SetText("Pass", host.FormValue("pwd"));
  }
  if (session.GetText("User").empty() || session.GetText("Pass").empty()) {
    RedirectToStart(host, contract::kNoStatus);
    return;
  }
  if (signing_in) {
    const int16_t status = SignIn(DataSourceName, Throttle, Connections, host);
    if (status != contract::kNoStatus) {
      RedirectToStart(host, status,
                      status == contract::kDatabaseUnreachable ? session.GetText("ErrorMsg") : "");
      return;
    }
  }
  session.SetText("Last", "SubmitCSV_Respond");
  MarkAnswer(host, contract::kUploadForm);
  host.WriteTemplate("submitcsv.htm",
                     [&](const std::string& TagName, std::string& TagContents, bool& SendTags) {
                       SubmitCSV_ProcessTag(host, TagName, TagContents, SendTags);
                     });
}

// The upload form's tags: the run's fields as the session's last run kept
// them (escaped for an attribute), the test date today unless kept.
void main::SubmitCSV_ProcessTag(WebHost& host, const std::string& TagName, std::string& TagContents,
                                bool& SendTags) {
  if (ProcessCommonTags(host, TagName, TagContents, SendTags)) return;
  SendTags = DebugMode;
  if (EqualsIgnoreCase(TagName, "WC@RUN_LIMIT")) {
    SendTags = false;  // the tag stands in an attribute value
    TagContents = std::to_string(MaxRunBytes);
    return;
  }
  const char* key = RunFieldKey(TagName);
  if (key == nullptr) return;
  SendTags = false;  // the tag stands in an attribute value
  const std::string kept = host.session().GetText(key);
  TagContents =
      HtmlEscape(kept.empty() && EqualsIgnoreCase(TagName, "WC@RUN_DATE") ? Today() : kept);
}

}  // namespace quorax
