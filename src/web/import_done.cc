#include <string>

#include "common/text.h"
#include "web/main.h"

namespace quorax {

void main::ImportDone_Respond(WebHost& host) {
  if (!InPageOrder(host, {"ImportCSV_Respond", "ImportDone_Respond"})) return;
  Session& session = host.session();
  std::string display = host.QueryValue("d");
  if (display.empty()) display = session.GetBool("NoErrors") ? "n" : "b";
  session.SetText("Display", display);
  session.SetText("Last", "ImportDone_Respond");
  host.WriteTemplate("importdone.htm",
                     [&](const std::string& TagName, std::string& TagContents, bool& SendTags) {
                       ImportDone_ProcessTag(host, TagName, TagContents, SendTags);
                     });
}

// "WC@RESULTS" becomes the view that session "Display" names; an unknown view
// code keeps the template's own contents. "WC@PARSE_NOTE" says where the
// reader stopped on a damaged file, so that no one takes the rows it never
// reached for checked ones; it is empty for a file read to its end.
void main::ImportDone_ProcessTag(WebHost& host, const std::string& TagName,
                                 std::string& TagContents, bool& SendTags) {
  if (ProcessCommonTags(host, TagName, TagContents, SendTags)) return;
  SendTags = DebugMode;
  const std::string name = ToUpper(TagName);
  if (name == "WC@RESULTS") {
    const std::string display = ToUpper(host.session().GetText("Display"));
    if (display == "B") {
      TagContents = DrawBadRowsTable(host);
    } else if (display == "A") {
      TagContents = DrawAllRowsTable(host);
    } else if (display == "S") {
      TagContents = DrawSuccessRowsTable(host);
    } else if (display == "N") {
      TagContents = DrawCompleteSuccess(host);
    }
  } else if (name == "WC@PARSE_NOTE") {
    const std::string note = host.session().GetText("ParseNote");
    TagContents = note.empty() ? "" : "<P CLASS=\"note\">" + HtmlEscape(note) + "</P>";
  }
}

}  // namespace quorax
