#include <string>

#include "common/text.h"
#include "outcomes/row_state.h"
#include "rows/csv_writer.h"
#include "upload/upload_text.h"
#include "web/main.h"
#include "web/results_session.h"

namespace quorax {

// Writes the uploaded header line and every bad row, in file order, as
// errors.csv: the rows that did not pass and every row after a database
// failure (never processed). Values are written as uploaded, in the upload's
// encoding (session "Encoding"; Windows-1252 when it is not UTF-8). When no
// row is bad, a short page says so, or, when the reader stopped early, says
// where (session "ParseNote"). Raises MissingKey when the session holds no
// run and some row failed or the reader stopped.
void main::ExportCSV_Respond(WebHost& host) {
  const bool only_read_stopped = OnlyReadStopped(host.session());
  if (host.session().GetBool("NoErrors") || only_read_stopped) {
    host.Write("<HTML><HEAD><TITLE></TITLE></HEAD><BODY>");
    host.Write(only_read_stopped
                   ? "<H1>" + HtmlEscape(host.session().GetText("ParseNote")) + "</H1>"
                   : "<H1>There are no bad rows to download</H1>");
    host.Write("</BODY></HTML>");
    host.End();
    return;
  }
  const auto table = RunTable(host.session());
  const auto outcomes = RunOutcomes(host.session());
  std::string text;
  AppendCsvRecord(text, table->Header());
  bool database_failed = false;
  for (int32_t row = 1; row <= table->RowCount(); ++row) {
    if (!database_failed) {
      const int16_t code = outcomes->Errors(row)->ErrorNumber;
      if (StateOfCode(code) == RowState::Passed) continue;
      database_failed = IsDatabaseFailure(code);
    }
    AppendCsvCells(text, *table, row - 1);
    text += kCsvLineEnd;
  }
  // The file goes back in the encoding the upload came in.
  const std::string file = EncodeDownload(text, host.session().GetText("Encoding"));
  host.SetContentType("text/csv");
  host.AddHeader("Content-Disposition", "attachment; filename=errors.csv");
  host.Write(file);
}

}  // namespace quorax
