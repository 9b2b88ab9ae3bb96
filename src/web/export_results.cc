#include "web/export_results.h"

#include <array>
#include <memory>

#include "contract/page_contract.h"
#include "outcomes/outcome_name.h"
#include "rows/csv.h"
#include "rows/csv_writer.h"
#include "upload/upload_text.h"
#include "web/answer_status.h"
#include "web/run_corrections.h"

namespace quorax {
namespace {

constexpr std::array<const char*, 3> kOutcomeColumns = {"Outcome", "Code", "Reasons"};

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

std::string ExportResultsText(const RowTable& table, const CSVRowErrors& outcomes,
                              const RowTable* uploaded) {
  std::string text;
  for (int32_t col = 0; col < table.Columns(); ++col) {
    AppendCsvField(text, table.ColumnName(col), col == 0);
  }
  for (const char* name : kOutcomeColumns) AppendCsvField(text, name, text.empty());
  if (uploaded != nullptr) {
    for (int32_t col = 0; col < uploaded->Columns(); ++col) {
      AppendCsvField(text, uploaded->ColumnName(col) + " as uploaded", false);
    }
  }
  text += kCsvLineEnd;
  for (int32_t row = 1; row <= table.RowCount(); ++row) {
    const size_t line_start = text.size();
    AppendCsvCells(text, table, row - 1);
    const bool first = text.size() == line_start;
    const RowState state = StateOfRow(outcomes, row);
    AppendCsvField(text, OutcomeName(state), first);
    if (state == RowState::NotProcessed) {
      AppendCsvField(text, "", false);
      AppendCsvField(text, "", false);
    } else {
      const std::shared_ptr<CSVRowError> outcome = outcomes.Errors(row);
      AppendCsvField(text, std::to_string(outcome->ErrorNumber), false);
      AppendCsvField(text, Reasons(*outcome), false);
    }
    if (uploaded != nullptr) {
      for (int32_t col = 0; col < uploaded->Columns(); ++col) {
        AppendCsvField(text, uploaded->Cell(row - 1, col), false);
      }
    }
    text += kCsvLineEnd;
  }
  return text;
}

void WriteExportResults(WebHost& host) {
  const std::shared_ptr<CSV> upload = host.session().GetObject<CSV>("CSVData");
  const std::shared_ptr<CSVRowErrors> outcomes =
      host.session().GetObject<CSVRowErrors>("CSVErrors");
  if (upload == nullptr || outcomes == nullptr) {
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
  // Rows corrected in place are written as they now stand, and the cells as
  // uploaded follow, so the file shows what was changed.
  const std::shared_ptr<RunCorrections> corrections = CorrectionsOf(host.session());
  const bool corrected = corrections != nullptr && corrections->AnyCorrected();
  const std::string text =
      corrected ? ExportResultsText(*corrections->Current(), *outcomes, &upload->Rows())
                : ExportResultsText(upload->Rows(), *outcomes);
  const std::string file = EncodeDownload(text, host.session().GetText("Encoding"));
  host.SetContentType("text/csv");
  MarkAnswer(host, contract::kResultsDownload);
  host.AddHeader("Content-Disposition", "attachment; filename=results.csv");
  host.Write(file);
}

}  // namespace quorax
