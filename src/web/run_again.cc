#include <memory>
#include <numeric>
#include <vector>

#include "contract/page_contract.h"
#include "kept/kept_database.h"
#include "outcomes/row_state.h"
#include "web/main.h"
#include "web/results_session.h"
#include "web/send_again.h"

namespace quorax {

// The connection comes first: the tester's cells are taken only when their
// rows can be sent, so the rows shown always match their outcomes.
void main::RunAgain(WebHost& host, const RunCorrections::RowCells* posted, bool import) {
  Session& session = host.session();
  RunCorrections& corrections = CorrectionsFor(session);
  const std::shared_ptr<CSVRowErrors> outcomes = RunOutcomes(session);
  const int32_t row_count = corrections.Uploaded().RowCount();
  std::vector<int32_t> rows(static_cast<size_t>(row_count));
  if (posted != nullptr) {
    rows = RowsToSendAgain(corrections.Changed(*posted), row_count, *outcomes);
  } else {
    std::iota(rows.begin(), rows.end(), 1);
  }
  if (!rows.empty()) {
    std::unique_ptr<TCDB> database = ConnectForRows(host);
    if (!database) return;
    if (posted != nullptr) corrections.Apply(*posted);
    const std::shared_ptr<CSVRowErrors> merged =
        SendAgain(*database, *corrections.Current(), rows, import, *outcomes, session);
    session.SetObject("CSVErrors", merged);
    const int32_t last = merged->Count();
    // After a database failure the connection may be broken: it is closed.
    if (last == 0 || !IsDatabaseFailure(merged->Errors(last)->ErrorNumber)) {
      KeepDatabase(Connections, session, std::move(database));
    }
  }
  session.SetText("Mode", import ? "Import" : "Verify");
  const RowTally tally = TallyRows(*RunOutcomes(session), row_count);
  // Rows the reader never reached were never checked: no success to claim.
  session.SetBool("NoErrors", !session.GetBool("ReadStopped") && tally.passed == tally.rows);
  host.SetNextItem(contract::kImportDone);
}

}  // namespace quorax
