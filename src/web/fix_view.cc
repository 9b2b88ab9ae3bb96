#include "web/fix_view.h"

#include <algorithm>

#include "common/text.h"
#include "contract/page_contract.h"
#include "outcomes/row_state.h"
#include "rows/result_columns.h"
#include "web/posted_rows.h"

namespace quorax {
namespace {

// The file's own number of `table`'s row `row` (from 1), as the tester knows it.
int32_t FileRow(const RowTable& table, int32_t row) { return table.Origin(row - 1).row; }

// A text box's width follows its text, within bounds that keep a row on a
// screen when it can be.
std::string TextBox(const RowTable& table, int32_t row, int32_t col) {
  const std::string_view value = table.Cell(row - 1, col);
  const size_t size = std::clamp<size_t>(value.size() + 1, 4, 20);
  return "<td><input name=\"" + CellField(row, col) + "\" value=\"" + HtmlEscape(value) +
         "\" size=\"" + std::to_string(size) + "\" aria-label=\"" +
         HtmlEscape(CellLabel(table, col, FileRow(table, row))) + "\"></td>";
}

// The reasons row `row` did not pass, one line each.
std::string ReasonsCell(const CSVRowErrors& outcomes, int32_t row) {
  if (StateOfRow(outcomes, row) == RowState::NotProcessed) {
    return "<td>Not processed: the database failed on an earlier row.</td>";
  }
  const auto outcome = outcomes.Errors(row);
  std::string html = "<td>(" + std::to_string(outcome->ErrorNumber) + ")";
  for (const std::string& reason : outcome->Reasons()) html += "<br>" + HtmlEscape(reason);
  return html + "</td>";
}

std::string FixTable(const RowTable& table, const CSVRowErrors& outcomes,
                     const std::vector<int32_t>& rows) {
  std::string html =
      "<div class=\"scroll\"><table class=\"fix\">\r\n<tr><th scope=\"col\">Row</th>";
  for (int32_t col = 0; col < table.Columns(); ++col) {
    html += "<th scope=\"col\">" + HtmlEscape(ColumnHeading(table, col)) + "</th>";
  }
  html += "<th scope=\"col\">Errors</th></tr>\r\n";
  for (const int32_t row : rows) {
    html += "<tr><th scope=\"row\">" + std::to_string(FileRow(table, row)) + "</th>";
    for (int32_t col = 0; col < table.Columns(); ++col) html += TextBox(table, row, col);
    html += ReasonsCell(outcomes, row) + "</tr>\r\n";
  }
  return html + "</table></div>\r\n";
}

std::string PageLinks(const FixViewFrame& frame, int32_t page, int32_t pages) {
  const std::string fix = ItemAddress(frame.Addresses, contract::kFixRows);
  std::string html = "<p class=\"links\">";
  if (page > 1) {
    html += "<a href=\"" + fix + "p=" + std::to_string(page - 1) + "\">Previous page</a> ";
  }
  if (page < pages) {
    html += "<a href=\"" + fix + "p=" + std::to_string(page + 1) + "\">Next page</a> ";
  }
  return html + "<a href=\"" + frame.Addresses.ImportDoneAddress +
         "d=b\">Back to the results</a></p>\r\n";
}

}  // namespace

std::string HiddenField(const char* name, const std::string& value) {
  return "<input type=\"hidden\" name=\"" + std::string(name) + "\" value=\"" + HtmlEscape(value) +
         "\">\r\n";
}

std::vector<int32_t> BadRows(const RowTable& table, const CSVRowErrors& outcomes) {
  std::vector<int32_t> rows;
  for (int32_t row = 1; row <= table.RowCount(); ++row) {
    if (StateOfRow(outcomes, row) != RowState::Passed) rows.push_back(row);
  }
  return rows;
}

std::string ColumnHeading(const RowTable& table, int32_t col) {
  if (col < kResultColumnCount) return kResultColumns[static_cast<size_t>(col)].Heading;
  const std::string& name = table.ColumnName(col);
  return name.empty() ? "Column " + std::to_string(col + 1) : name;
}

std::string CellLabel(const RowTable& table, int32_t col, int32_t row) {
  return ColumnHeading(table, col) + " of row " + std::to_string(row);
}

std::string DrawFixView(const RowTable& table, const CSVRowErrors& outcomes,
                        const FixViewFrame& frame) {
  const std::vector<int32_t> bad = BadRows(table, outcomes);
  if (bad.empty()) {
    return "<p>No row of this run is bad: there is nothing to fix.</p>\r\n" +
           PageLinks(frame, 1, 1);
  }
  const auto count = static_cast<int32_t>(bad.size());
  const int32_t pages = (count + kFixRowsPerPage - 1) / kFixRowsPerPage;
  const int32_t page = std::clamp(frame.Page, 1, pages);
  const auto first = bad.begin() + (page - 1) * kFixRowsPerPage;
  const std::vector<int32_t> shown(first, std::min(first + kFixRowsPerPage, bad.end()));
  const auto first_shown = static_cast<int32_t>(first - bad.begin()) + 1;
  return DrawFixForm(table, outcomes, shown,
                     {ItemAddress(frame.Addresses, contract::kRecheckRows), "", frame.Stamp,
                      frame.Import, first_shown, count}) +
         PageLinks(frame, page, pages);
}

std::string DrawFixForm(const RowTable& table, const CSVRowErrors& outcomes,
                        const std::vector<int32_t>& shown, const FixForm& form) {
  std::string rows_field;
  for (const int32_t row : shown) {
    rows_field += (rows_field.empty() ? "" : " ") + std::to_string(row);
  }
  const char* button = form.Import ? "Import again" : "Verify again";
  std::string html = "<p>Correct the cells and choose " + std::string(button) +
                     ": the rows you changed, and any the database has not judged, are sent " +
                     (form.Import ? "to be imported; the other rows are recorded already."
                                  : "to be verified. Nothing is recorded.") +
                     "</p>\r\n";
  html += "<p>Bad rows " + std::to_string(form.FirstShown) + " to " +
          std::to_string(form.FirstShown + static_cast<int32_t>(shown.size()) - 1) + " of " +
          std::to_string(form.BadCount) + ".</p>\r\n";
  return html + "<form method=\"post\" action=\"" + form.Action + "\">\r\n" + form.Hidden +
         HiddenField(kRunField, std::to_string(form.Stamp)) + HiddenField(kRowsField, rows_field) +
         FixTable(table, outcomes, shown) + "<button type=\"submit\">" + button +
         "</button>\r\n</form>\r\n";
}

std::string DrawFixOffers(const RowTable& table, const CSVRowErrors& outcomes,
                          const FixViewFrame& frame) {
  if (table.RowCount() == 0) return "";
  std::string html;
  if (!BadRows(table, outcomes).empty()) {
    html += "<p class=\"links\"><a href=\"" + ItemAddress(frame.Addresses, contract::kFixRows) +
            "\">Fix bad rows</a>: correct them in the page and send only those again.</p>\r\n";
  }
  if (!frame.Import) {
    html += "<form method=\"post\" action=\"" +
            ItemAddress(frame.Addresses, contract::kImportRows) + "\">\r\n" +
            HiddenField(kRunField, std::to_string(frame.Stamp)) +
            "<button type=\"submit\">Import</button> the rows as they now stand, without "
            "uploading the file again.\r\n</form>\r\n";
  }
  return html;
}

}  // namespace quorax
