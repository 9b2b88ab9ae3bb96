#include "common/text.h"
#include "web/main.h"

namespace quorax {

// Only a POST cancels, so that no link of another site can: a GET is
// answered 405 with a short page pointing at the Cancel button. A run still
// waiting ends at once, and the session may send its next file.
void main::CancelRun_Respond(WebHost& host) {
  if (host.ServerVariable("REQUEST_METHOD") != "POST") {
    host.SetStatus(405);
    host.AddHeader("Allow", "POST");
    WriteRunPage(host, "Cancel",
                 "<p>A run is cancelled with the Cancel button of its progress page.</p>\r\n<p><a "
                 "href=\"" +
                     HtmlEscape(RunItemAddress(contract::kRunProgress)) +
                     "\">Back to the run</a></p>\r\n");
    return;
  }
  const std::shared_ptr<FileRun> run = SessionRun(host);
  if (run == nullptr) return;
  Runs.Cancel(*run);
  RedirectAndEnd(host, RunItemAddress(contract::kRunProgress));
}

}  // namespace quorax
