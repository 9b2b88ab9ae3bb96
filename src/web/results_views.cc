#include "web/results_views.h"

#include "common/text.h"
#include "outcomes/row_state.h"

namespace quorax {

namespace {

constexpr const char* kRowEnd = "</TD></TR>\r\n";

// Values from the file, the database and the outcomes are escaped, so a cell
// holding markup shows as text; an empty cell keeps the table's grid.
std::string DataCells(const RowTable& table, int32_t row) {
  std::string html = "<TR>\r\n";
  for (int32_t col = 0; col < table.Columns(); ++col) {
    const std::string_view value = table.Cell(row - 1, col);
    html += "<TD VALIGN=\"TOP\">";
    // intended: "&nbsp" without its semicolon; the page has always been written so.
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

// "occured" is the shipped wording that testers know; it stays as it is.
std::string DatabaseFailureCell(const CSVRowError& outcome) {
  return "<TD BGCOLOR=#DDDD00 VALIGN=\"TOP\">(" + std::to_string(outcome.ErrorNumber) +
         ")<BR>A Database error occured here.<BR>" + HtmlEscape(outcome.ExtraInfo) + "<BR>";
}

std::string NotProcessedCell(int32_t failed_row) {
  return "<TD BGCOLOR=#DDDD00 VALIGN=\"TOP\">"
         "Not imported or tested due to previous database error on row " +
         std::to_string(failed_row) + "<BR>";
}

// The outcome cell of a row; `outcome` is null for a row never processed.
std::string OutcomeCell(const CSVRowError* outcome, int32_t failed_row) {
  if (outcome == nullptr) return NotProcessedCell(failed_row);
  switch (StateOfCode(outcome->ErrorNumber)) {
    case RowState::Passed:
      return DescriptionCell("<TD BGCOLOR=#00DD00 VALIGN=\"TOP\">", *outcome);
    case RowState::DatabaseFailure:
      return DatabaseFailureCell(*outcome);
    default:
      return DescriptionCell("<TD BGCOLOR=#DD0000 VALIGN=\"TOP\">", *outcome);
  }
}

// The row at which the run stopped on a database failure (its last outcome),
// or 0 when it did not stop.
int32_t FailedRow(const CSVRowErrors& outcomes) {
  const int32_t last = outcomes.Count();
  return last > 0 && IsDatabaseFailure(outcomes.Errors(last)->ErrorNumber) ? last : 0;
}

// What tells one view of rows from another. The irregular line ends around
// the mode line are the page as shipped.
struct RowsView {
  const char* Name;                           // named in the view's START and END comments
  const char* Title;                          // the "Display Mode" shown
  const char* AfterTitle;                     // between the title line and the mode line
  const char* AfterMode;                      // between the mode line and the table
  bool (*Shows)(const CSVRowError* outcome);  // null outcome: not processed
};

std::string DrawRows(const RowsView& view, const RowTable& table, const CSVRowErrors& outcomes,
                     const ResultsFrame& frame) {
  std::string html = std::string("<!--- START ") + view.Name +
                     " --->\r\n<B>Display Mode: " + view.Title + "</B><BR>" + view.AfterTitle +
                     OperationMode(frame) + view.AfterMode + DrawTableHeader();
  const int32_t failed_row = FailedRow(outcomes);
  for (int32_t row = 1; row <= table.RowCount(); ++row) {
    const bool processed = failed_row == 0 || row <= failed_row;
    const CSVRowError* outcome = processed ? outcomes.Errors(row).get() : nullptr;
    if (!view.Shows(outcome)) continue;
    html += DataCells(table, row) + OutcomeCell(outcome, failed_row) + kRowEnd;
  }
  html += DrawNavigation(frame);
  html += std::string("<!--- END ") + view.Name + " --->\r\n";
  return html;
}

constexpr RowsView kBadRows{
    "DrawBadRowsTable", "Bad Rows", "\r\n", "", [](const CSVRowError* outcome) {
      return outcome == nullptr || StateOfCode(outcome->ErrorNumber) != RowState::Passed;
    }};
constexpr RowsView kAllRows{"DrawAllRowsTable", "All Rows", "", "\r\n",
                            [](const CSVRowError*) { return true; }};
constexpr RowsView kGoodRows{
    "DrawSuccessRowsTable", "Good Rows", "\r\n", "\r\n", [](const CSVRowError* outcome) {
      return outcome != nullptr && StateOfCode(outcome->ErrorNumber) == RowState::Passed;
    }};

// The sentence of the notice view. A run without rows says why it had
// none, and never that its rows passed.
std::string Notice(const ResultsFrame& frame) {
  if (!frame.NoRowsNote.empty()) return HtmlEscape(frame.NoRowsNote);
  return EqualsIgnoreCase(frame.Mode, "Import") ? "All rows have been imported successfully"
                                                : "All rows have been verified and are Ok";
}

}  // namespace

std::string DrawBadRowsTable(const RowTable& table, const CSVRowErrors& outcomes,
                             const ResultsFrame& frame) {
  return DrawRows(kBadRows, table, outcomes, frame);
}

std::string DrawAllRowsTable(const RowTable& table, const CSVRowErrors& outcomes,
                             const ResultsFrame& frame) {
  return DrawRows(kAllRows, table, outcomes, frame);
}

std::string DrawSuccessRowsTable(const RowTable& table, const CSVRowErrors& outcomes,
                                 const ResultsFrame& frame) {
  return DrawRows(kGoodRows, table, outcomes, frame);
}

std::string DrawCompleteSuccess(const ResultsFrame& frame) {
  std::string html = "<!--- START DrawCompleteSuccess --->\r\n";
  html += OperationMode(frame);
  html += "<TABLE BGCOLOR=#DDDDEE BORDER=1 CELLSPACING=1 CELLPADDING=2 WIDTH=100%>\r\n";
  html +=
      "<TR>" + FullWidthCell(" ALIGN=\"CENTER\"") + "<B>" + Notice(frame) + "</B></TD></TR>\r\n";
  html += DrawNavigation(frame);
  html += "<!--- END DrawCompleteSuccess --->\r\n";
  return html;
}

}  // namespace quorax
