#include <string>

#include "web/main.h"

namespace quorax {

std::string main::DrawTableHeader() const {
  return "<TABLE BGCOLOR=#DDDDEE BORDER=1 CELLSPACING=1 CELLPADDING=2 WIDTH=100%>\r\n"
         "<TR>\r\n"
         "<TH>TCID</TH>\r\n"
         "<TH>Test Date</TH>\r\n"
         "<TH>Version</TH>\r\n"
         "<TH>Platform</TH>\r\n"
         "<TH>Browser</TH>\r\n"
         "<TH>Result</TH>\r\n"
         "<TH>Tester</TH>\r\n"
         "<TH>PR</TH>\r\n"
         "<TH>Notes</TH>\r\n"
         "<TH>Errors</TH>\r\n"
         "</TR>\r\n";
}

// The download link is live only when the run had bad rows.
std::string main::DrawNavigation(WebHost& host) const {
  const bool no_errors = host.session().GetBool("NoErrors");
  std::string html;
  html += "<TR><TD COLSPAN=10>\r\n";
  html += "<TABLE BORDER=0 WIDTH=100% CELLSPACING=12><TR>\r\n";
  html += "<TD WIDTH=100%><TABLE BORDER=0 WIDTH=100%><TR>\r\n";
  html += "<TD WIDTH=33% ALIGN=\"CENTER\" ALIGN=\"CENTER\"><A HREF=\"" + ImportDoneAddress +
          "d=b\">Display Bad Rows</A></TD>\r\n";
  html += "<TD WIDTH=33% ALIGN=\"CENTER\"><A HREF=\"" + ImportDoneAddress +
          "d=a\">Display All Rows</A></TD>\r\n";
  html += "<TD WIDTH=33% ALIGN=\"CENTER\"><A HREF=\"" + ImportDoneAddress +
          "d=s\">Display Good Rows</A></TD>\r\n";
  html += "</TR></TABLE></TD>\r\n";
  html += "</TR><TR>\r\n";
  html += "<TD WIDTH=100%><TABLE BORDER=0 WIDTH=100%><TR>\r\n";
  html += "<TD WIDTH=50% ALIGN=\"CENTER\"><A HREF=\"" + SubmitCSVAddress +
          "\">Return to Main Menu</A></TD>\r\n";
  html += "<TD WIDTH=50% ALIGN=\"CENTER\">";
  if (!no_errors) html += "<A HREF=\"" + ExportCSVAddress + "\" TARGET=\"anewwin\">";
  html += "Download Bad Rows";
  if (!no_errors) html += "</A>";
  html += "</TD>\r\n";
  html += "</TR></TABLE></TD>\r\n";
  html += "</TR></TABLE>";
  html += "</TD></TR>\r\n";
  html += "</TABLE>\r\n";
  return html;
}

}  // namespace quorax
