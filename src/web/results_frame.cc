#include "web/results_frame.h"

#include "common/text.h"
#include "rows/result_columns.h"

namespace quorax {

std::string DrawTableHeader() {
  std::string html =
      "<TABLE BGCOLOR=#DDDDEE BORDER=1 CELLSPACING=1 CELLPADDING=2 WIDTH=100%>\r\n"
      "<TR>\r\n";
  for (const ResultColumn& column : kResultColumns) {
    html += std::string("<TH>") + column.Heading + "</TH>\r\n";
  }
  html += "<TH>Errors</TH>\r\n</TR>\r\n";
  return html;
}

std::string FullWidthCell(const char* attributes) {
  return "<TD COLSPAN=" + std::to_string(kResultColumnCount + 1) + attributes + ">";
}

std::string DrawNavigation(const ResultsFrame& frame) {
  const std::string& view = frame.Addresses.ImportDoneAddress;
  std::string html = "<TR>" + FullWidthCell("") + "\r\n";
  html += "<TABLE BORDER=0 WIDTH=100% CELLSPACING=12><TR>\r\n";
  html += "<TD WIDTH=100%><TABLE BORDER=0 WIDTH=100%><TR>\r\n";
  // intended: the first cell's doubled ALIGN attribute; the page keeps it byte for byte.
  html += "<TD WIDTH=33% ALIGN=\"CENTER\" ALIGN=\"CENTER\"><A HREF=\"" + view +
          "d=b\">Display Bad Rows</A></TD>\r\n";
  html +=
      "<TD WIDTH=33% ALIGN=\"CENTER\"><A HREF=\"" + view + "d=a\">Display All Rows</A></TD>\r\n";
  html +=
      "<TD WIDTH=33% ALIGN=\"CENTER\"><A HREF=\"" + view + "d=s\">Display Good Rows</A></TD>\r\n";
  html += "</TR></TABLE></TD>\r\n";
  html += "</TR><TR>\r\n";
  html += "<TD WIDTH=100%><TABLE BORDER=0 WIDTH=100%><TR>\r\n";
  html += "<TD WIDTH=50% ALIGN=\"CENTER\"><A HREF=\"" + frame.Addresses.SubmitCSVAddress +
          "\">Return to Main Menu</A></TD>\r\n";
  html += "<TD WIDTH=50% ALIGN=\"CENTER\">";
  if (!frame.NoErrors) {
    html += "<A HREF=\"" + frame.Addresses.ExportCSVAddress + "\" TARGET=\"anewwin\">";
  }
  html += "Download Bad Rows";
  if (!frame.NoErrors) html += "</A>";
  html += "</TD>\r\n";
  html += "</TR></TABLE></TD>\r\n";
  html += "</TR></TABLE>";
  html += "</TD></TR>\r\n";
  html += "</TABLE>\r\n";
  return html;
}

std::string OperationMode(const ResultsFrame& frame) {
  return "<B>Operation Mode: " + HtmlEscape(frame.Mode) + "</B><BR><BR>";
}

}  // namespace quorax
