#include <exception>

#include "common/int16.h"
#include "common/text.h"
#include "web/main.h"

namespace quorax {

// After the page is written, a session value "s" above 0 (set by log out)
// ends the session: its credentials and results go, and the old cookie
// reaches nothing. The sign-in form just written posts into the fresh
// session that follows, so it counts as shown there. A failure to end the
// session changes nothing the user sees.
void main::Login_Respond(WebHost& host) {
  if (!InPageOrder(host, {"WebClass_Start"})) return;
  host.session().SetText("Last", "Login_Respond");
  host.WriteTemplate("login.htm",
                     [&](const std::string& TagName, std::string& TagContents, bool& SendTags) {
                       Login_ProcessTag(host, TagName, TagContents, SendTags);
                     });
  const std::string end = host.session().GetText("s");
  if (end.empty() || ParseInt16(end, "the session value \"s\"") <= 0) return;
  host.session().SetText("Last", "");
  try {
    host.AbandonSession();
  } catch (const std::exception&) {
    // The page is written; the session ends with its timeout instead.
    return;
  }
  host.session().SetText("Last", "Login_Respond");
}

// "WC@MESSAGE" is HTML-escaped: the status message can carry the database's
// error text, which echoes what the user typed. "WC@EXTRAINFO" keeps the
// template's own contents unless the session supplies a text.
void main::Login_ProcessTag(WebHost& host, const std::string& TagName, std::string& TagContents,
                            bool& SendTags) {
  static constexpr PageTag kLoginTags[] = {
      {"WC@MESSAGE",
       [](const main&, WebHost& page, std::string& contents) {
         contents = HtmlEscape(page.session().GetText("Message"));
       }},
      {"WC@EXTRAINFO",
       [](const main&, WebHost& page, std::string& contents) {
         std::string extra = page.session().GetText("ExtraInfo");
         if (!extra.empty()) contents = std::move(extra);
       }},
  };
  ProcessPageTag(host, TagName, TagContents, SendTags, kLoginTags);
}

}  // namespace quorax
