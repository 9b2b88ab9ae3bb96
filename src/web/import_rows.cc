#include <string>

#include "common/text.h"
#include "contract/page_contract.h"
#include "web/main.h"
#include "web/posted_rows.h"
#include "web/results_session.h"
#include "web/run_corrections.h"

namespace quorax {

// A run that is an import already (a second click on the button) is only
// shown again: no row is recorded twice. A form shown for an earlier upload
// is refused and imports nothing.
void main::ImportRows_Respond(WebHost& host) {
  if (!InPageOrder(host, {"ImportDone_Respond"})) return;
  Session& session = host.session();
  RunTable(session);  // raises MissingKey when there is no run
  if (host.FormValue(kRunField) != std::to_string(CorrectionsFor(session).Stamp())) {
    RefuseFixForm(host,
                  "This Import button was shown for an earlier upload; the results now shown "
                  "are of another file, so nothing was imported.");
    return;
  }
  session.SetText("Last", "ImportRows_Respond");
  if (EqualsIgnoreCase(session.GetText("Mode"), "Import")) {
    host.SetNextItem(contract::kImportDone);
    return;
  }
  RunAgain(host, nullptr, true);
}

}  // namespace quorax
