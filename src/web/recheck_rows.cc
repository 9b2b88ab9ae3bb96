#include <string>

#include "common/errors.h"
#include "common/text.h"
#include "contract/page_contract.h"
#include "web/main.h"
#include "web/posted_rows.h"
#include "web/results_session.h"
#include "web/run_corrections.h"

namespace quorax {

// The form is checked whole before anything changes, so a refused form
// leaves the run and "Last" as they were and the refusal's link back to the
// fix view still opens it.
void main::RecheckRows_Respond(WebHost& host) {
  if (!InPageOrder(host, {"ImportDone_Respond"})) return;
  Session& session = host.session();
  const auto table = RunTable(session);
  const auto outcomes = RunOutcomes(session);
  RunCorrections::RowCells posted;
  try {
    posted = PostedRows(host, *table, *outcomes, CorrectionsFor(session).Stamp());
  } catch (const InvalidArgument& refusal) {
    RefuseFixForm(host, refusal.what());
    return;
  }
  session.SetText("Last", "RecheckRows_Respond");
  RunAgain(host, &posted, EqualsIgnoreCase(session.GetText("Mode"), "Import"));
}

}  // namespace quorax
