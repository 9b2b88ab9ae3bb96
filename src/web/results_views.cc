#include <string>

#include "common/text.h"
#include "web/main.h"
#include "web/results_session.h"

namespace quorax {

namespace {

constexpr const char* kRowEnd = "</TD></TR>\r\n";

bool IsDatabaseFailure(int16_t code) { return code < -256; }

// Values from the file, the database and the outcomes are escaped, so a cell
// holding markup shows as text; an empty cell keeps the table's grid.
std::string DataCells(const CSV& table, int32_t row) {
  std::string html = "<TR>\r\n";
  for (int32_t col = 0; col < table.GetCols(); ++col) {
    const std::string& value = table.Data(col, row - 1);
    html += "<TD VALIGN=\"TOP\">";
    html += value.empty() ? std::string("&nbsp") : HtmlEscape(value);
    html += "</TD>\r\n";
  }
  return html;
}

// An outcome cell opened by `open` holding the outcome's description, one
// line break per line.
std::string DescriptionCell(const char* open, const CSVRowError& outcome) {
  const std::string description = HtmlEscape(outcome.GetDescription());
  std::string html = open;
  size_t start = 0;
  for (size_t end = description.find("\r\n"); end != std::string::npos;
       end = description.find("\r\n", start)) {
    html.append(description, start, end - start);
    html += "<BR>\r\n";
    start = end + 2;
  }
  html.append(description, start, std::string::npos);
  return html;
}

std::string SuccessCell(const CSVRowError& outcome) {
  return DescriptionCell("<TD BGCOLOR=#00DD00 VALIGN=\"TOP\">", outcome);
}

std::string RejectedCell(const CSVRowError& outcome) {
  return DescriptionCell("<TD BGCOLOR=#DD0000 VALIGN=\"TOP\">", outcome);
}

std::string DatabaseFailureCell(const CSVRowError& outcome) {
  return "<TD BGCOLOR=#DDDD00 VALIGN=\"TOP\">(" + std::to_string(outcome.ErrorNumber) +
         ")<BR>A Database error occured here.<BR>" + HtmlEscape(outcome.ExtraInfo) + "<BR>";
}

std::string NotProcessedCell(int32_t failed_row) {
  return "<TD BGCOLOR=#DDDD00 VALIGN=\"TOP\">"
         "Not imported or tested due to previous database error on row " +
         std::to_string(failed_row) + "<BR>";
}

// The cell of a row that did not succeed. A database failure also records
// its row, after which no later row has an outcome.
std::string FailureCell(const CSVRowError& outcome, int32_t row, int32_t& failed_row) {
  if (!IsDatabaseFailure(outcome.ErrorNumber)) return RejectedCell(outcome);
  failed_row = row;
  return DatabaseFailureCell(outcome);
}

std::string OperationMode(WebHost& host) {
  return "<B>Operation Mode: " + HtmlEscape(host.session().GetText("Mode")) + "</B><BR><BR>";
}

}  // namespace

// Rows after a database failure have no outcome; they are shown as not
// processed, naming the failing row.
std::string main::DrawBadRowsTable(WebHost& host) const {
  const auto table = RunTable(host.session());
  const auto outcomes = RunOutcomes(host.session());
  std::string html = "<!--- START DrawBadRowsTable --->\r\n<B>Display Mode: Bad Rows</B><BR>\r\n";
  html += OperationMode(host);
  html += DrawTableHeader();
  int32_t failed_row = 0;
  for (int32_t row = 1; row <= table->GetRows(); ++row) {
    if (failed_row != 0) {
      html += DataCells(*table, row) + NotProcessedCell(failed_row) + kRowEnd;
      continue;
    }
    const CSVRowError& outcome = *outcomes->Errors(row);
    if (outcome.ErrorNumber >= 0) continue;
    html += DataCells(*table, row) + FailureCell(outcome, row, failed_row) + kRowEnd;
  }
  html += DrawNavigation(host);
  html += "<!--- END DrawBadRowsTable --->\r\n";
  return html;
}

// Every row, each with its outcome; a positive code shows as rejected.
std::string main::DrawAllRowsTable(WebHost& host) const {
  const auto table = RunTable(host.session());
  const auto outcomes = RunOutcomes(host.session());
  std::string html = "<!--- START DrawAllRowsTable --->\r\n<B>Display Mode: All Rows</B><BR>";
  html += OperationMode(host) + "\r\n";
  html += DrawTableHeader();
  int32_t failed_row = 0;
  for (int32_t row = 1; row <= table->GetRows(); ++row) {
    html += DataCells(*table, row);
    if (failed_row != 0) {
      html += NotProcessedCell(failed_row);
    } else {
      const CSVRowError& outcome = *outcomes->Errors(row);
      html +=
          outcome.ErrorNumber == 0 ? SuccessCell(outcome) : FailureCell(outcome, row, failed_row);
    }
    html += kRowEnd;
  }
  html += DrawNavigation(host);
  html += "<!--- END DrawAllRowsTable --->\r\n";
  return html;
}

// Rows with code 0 only; nothing after a database failure.
std::string main::DrawSuccessRowsTable(WebHost& host) const {
  const auto table = RunTable(host.session());
  const auto outcomes = RunOutcomes(host.session());
  std::string html =
      "<!--- START DrawSuccessRowsTable --->\r\n<B>Display Mode: Good Rows</B><BR>\r\n";
  html += OperationMode(host) + "\r\n";
  html += DrawTableHeader();
  for (int32_t row = 1; row <= table->GetRows(); ++row) {
    const CSVRowError& outcome = *outcomes->Errors(row);
    if (IsDatabaseFailure(outcome.ErrorNumber)) break;
    if (outcome.ErrorNumber != 0) continue;
    html += DataCells(*table, row) + SuccessCell(outcome) + kRowEnd;
  }
  html += DrawNavigation(host);
  html += "<!--- END DrawSuccessRowsTable --->\r\n";
  return html;
}

// The notice alone, whatever the outcomes: no header row, no data rows.
std::string main::DrawCompleteSuccess(WebHost& host) const {
  std::string html = "<!--- START DrawCompleteSuccess --->\r\n";
  html += OperationMode(host);
  html += "<TABLE BGCOLOR=#DDDDEE BORDER=1 CELLSPACING=1 CELLPADDING=2 WIDTH=100%>\r\n";
  html += "<TR><TD COLSPAN=10 ALIGN=\"CENTER\"><B>";
  html += EqualsIgnoreCase(host.session().GetText("Mode"), "Import")
              ? "All rows have been imported successfully"
              : "All rows have been verified and are Ok";
  html += "</B></TD></TR>\r\n";
  html += DrawNavigation(host);
  html += "<!--- END DrawCompleteSuccess --->\r\n";
  return html;
}

}  // namespace quorax
