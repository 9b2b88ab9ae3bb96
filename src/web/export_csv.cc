#include <string>

#include "contract/page_contract.h"
#include "outcomes/row_state.h"
#include "rows/csv_writer.h"
#include "upload/upload_text.h"
#include "web/answer_status.h"
#include "web/main.h"
#include "web/results_session.h"

namespace quorax {

namespace {

// Appends `fields` as one record ended by `line_end`.
void AppendRecord(std::string& out, std::span<const std::string> fields,
                  std::string_view line_end) {
  for (size_t i = 0; i < fields.size(); ++i) AppendCsvField(out, fields[i], i == 0);
  out += line_end;
}

}  // namespace

// Writes the uploaded header line and every bad row, in file order, as
// errors.csv: the rows that did not pass and every row after a database
// failure (never processed), then, when the reader stopped before the end of
// the file, the rest of the file from the row that stopped it, byte for byte
// as uploaded (session "Unread"). So correcting errors.csv and uploading it
// loses no row. Values are written as uploaded, in the upload's encoding
// (session "Encoding"; Windows-1252 when it is not UTF-8) and with its line
// end (session "LineEnd"; CR LF when unknown). When no row is bad, or the
// session holds no run, a short page says there is nothing to download.
void main::ExportCSV_Respond(WebHost& host) {
  const Session& session = host.session();
  // A link followed after the session ended leads to the sign-in page, which
  // says so, rather than to a download that seems to have nothing.
  if (!session.Contains("CSVData") && host.ServerVariable("SESSION_ENDED") == "1") {
    RedirectToStart(host, contract::kNoStatus);
    return;
  }
  if (session.GetBool("NoErrors") || !session.Contains("CSVData") ||
      !session.Contains("CSVErrors")) {
    if (!session.Contains("CSVData")) MarkAnswer(host, contract::kNoResults);
    host.Write("<HTML><HEAD><TITLE></TITLE></HEAD><BODY>");
    host.Write("<H1>There are no bad rows to download</H1>");
    host.Write("</BODY></HTML>");
    host.End();
    return;
  }
  const auto table = RunTable(session);
  const auto outcomes = RunOutcomes(session);
  const std::string kept_line_end = session.GetText("LineEnd");
  const std::string_view line_end = kept_line_end.empty() ? kCsvLineEnd : kept_line_end;
  std::string text;
  AppendRecord(text, table->Header(), line_end);
  bool database_failed = false;
  for (int32_t row = 1; row <= table->RowCount(); ++row) {
    if (!database_failed) {
      const int16_t code = outcomes->Errors(row)->ErrorNumber;
      if (StateOfCode(code) == RowState::Passed) continue;
      database_failed = IsDatabaseFailure(code);
    }
    AppendCsvCells(text, *table, row - 1);
    text += line_end;
  }
  // The file goes back in the encoding the upload came in.
  const std::string file =
      EncodeDownload(text, session.GetText("Encoding")) + session.GetText("Unread");
  host.SetContentType("text/csv");
  host.AddHeader("Content-Disposition", "attachment; filename=errors.csv");
  host.Write(file);
}

}  // namespace quorax
