#include <string>

#include "outcomes/row_state.h"
#include "upload/upload_text.h"
#include "web/main.h"
#include "web/results_session.h"

namespace quorax {

// Writes the uploaded header line and every bad row, in file order, as
// errors.csv: the rows with a negative code and every row after a database
// failure (never processed). Values are written as uploaded, in the upload's
// encoding (session "Encoding"; Windows-1252 when it is not UTF-8). Raises
// MissingKey when the session holds no run and some row failed.
void main::ExportCSV_Respond(WebHost& host) {
  if (host.session().GetBool("NoErrors")) {
    host.Write("<HTML><HEAD><TITLE></TITLE></HEAD><BODY>");
    host.Write("<H1>There are no bad rows to download</H1>");
    host.Write("</BODY></HTML>");
    host.End();
    return;
  }
  const auto table = RunTable(host.session());
  const auto outcomes = RunOutcomes(host.session());
  std::string text = table->ExportHeaders();
  bool database_failed = false;
  for (int32_t row = 1; row <= table->GetRows(); ++row) {
    if (!database_failed) {
      const int16_t code = outcomes->Errors(row)->ErrorNumber;
      if (code >= 0) continue;
      database_failed = IsDatabaseFailure(code);
    }
    text += table->ExportRow(static_cast<int16_t>(row - 1));
  }
  // The file goes back in the encoding the upload came in.
  const std::string file = EncodeDownload(text, host.session().GetText("Encoding"));
  host.SetContentType("text/csv");
  host.AddHeader("Content-Disposition", "attachment; filename=errors.csv");
  host.Write(file);
}

}  // namespace quorax
