#include "web/export_results.h"

#include <array>
#include <memory>

#include "common/general.h"
#include "common/page_contract.h"
#include "outcomes/outcome_name.h"
#include "upload/upload_text.h"
#include "web/answer_status.h"

namespace quorax {
namespace {

constexpr std::array<const char*, 3> kOutcomeColumns = {"Outcome", "Code", "Reasons"};
constexpr char kLineEnd[] = "\r\n";

// Appends `text` as one more quoted field of a line that holds fields already,
// quoting as the table's own export does.
void AppendField(std::string& line, const std::string& text) {
  line += ",\"" + General::EscapeChars(text, "\"", "\"") + "\"";
}

// `line` without its closing line end.
std::string WithoutLineEnd(std::string line) {
  if (line.size() >= 2 && line.compare(line.size() - 2, 2, kLineEnd) == 0)
    line.resize(line.size() - 2);
  return line;
}

// The reasons of `outcome`, joined by "; ".
std::string Reasons(const CSVRowError& outcome) {
  std::string reasons;
  for (const std::string& reason : outcome.Reasons()) {
    if (!reasons.empty()) reasons += "; ";
    reasons += reason;
  }
  return reasons;
}

}  // namespace

std::string ExportResultsText(const CSV& table, const CSVRowErrors& outcomes) {
  std::string text = WithoutLineEnd(table.ExportHeaders());
  for (const char* name : kOutcomeColumns) AppendField(text, name);
  text += kLineEnd;
  for (int32_t row = 1; row <= table.GetRows(); ++row) {
    std::string line = WithoutLineEnd(table.ExportRow(static_cast<int16_t>(row - 1)));
    const RowState state = StateOfRow(outcomes, row);
    AppendField(line, OutcomeName(state));
    if (state == RowState::NotProcessed) {
      AppendField(line, "");
      AppendField(line, "");
    } else {
      const std::shared_ptr<CSVRowError> outcome = outcomes.Errors(row);
      AppendField(line, std::to_string(outcome->ErrorNumber));
      AppendField(line, Reasons(*outcome));
    }
    text += line + kLineEnd;
  }
  return text;
}

void WriteExportResults(WebHost& host) {
  const std::shared_ptr<CSV> table = host.session().GetObject<CSV>("CSVData");
  const std::shared_ptr<CSVRowErrors> outcomes =
      host.session().GetObject<CSVRowErrors>("CSVErrors");
  if (table == nullptr || outcomes == nullptr) {
    // A session that has seen no page was never signed in, or has ended.
    MarkAnswer(
        host,
        host.session().GetText("Last").empty() ? contract::kSessionEnded : contract::kNoResults,
        "There are no results to download");
    host.Write("<HTML><HEAD><TITLE></TITLE></HEAD><BODY>");
    host.Write("<H1>There are no results to download</H1>");
    host.Write("</BODY></HTML>");
    host.End();
    return;
  }
  // The file goes back in the encoding the upload came in.
  const std::string file =
      EncodeDownload(ExportResultsText(*table, *outcomes), host.session().GetText("Encoding"));
  host.SetContentType("text/csv");
  MarkAnswer(host, contract::kResultsDownload);
  host.AddHeader("Content-Disposition", "attachment; filename=results.csv");
  host.Write(file);
}

}  // namespace quorax
