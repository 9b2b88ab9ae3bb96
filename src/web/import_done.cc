#include <charconv>
#include <string>

#include "common/text.h"
#include "contract/page_contract.h"
#include "web/answer_status.h"
#include "web/fix_view.h"
#include "web/main.h"
#include "web/results_session.h"
#include "web/results_summary.h"
#include "web/results_views.h"

namespace quorax {

namespace {

// A view of the results page by its code ("d"). A view of rows draws the
// session's run (raising MissingKey when there is none); a notice needs none.
struct ResultsView {
  std::string (*DrawRows)(const RowTable& table, const CSVRowErrors& outcomes,
                          const ResultsFrame& frame);
  std::string (*DrawNotice)(const ResultsFrame& frame);
};

constexpr Named<ResultsView> kResultsViews[] = {
    {"b", {DrawBadRowsTable, nullptr}},
    {"a", {DrawAllRowsTable, nullptr}},
    {"s", {DrawSuccessRowsTable, nullptr}},
    {"n", {nullptr, DrawCompleteSuccess}},
};

// "WC@RESULTS" becomes the view that session "Display" names; an unknown view
// code keeps the template's own contents.
void ResultsTag(const main& app, WebHost& host, std::string& TagContents) {
  const Session& session = host.session();
  const auto* view = FindNamed(kResultsViews, session.GetText("Display"));
  if (view == nullptr) return;
  const bool no_rows = !session.GetBool("ReadStopped") && session.Contains("CSVData") &&
                       RunTable(session)->RowCount() == 0;
  const ResultsFrame frame{app.Addresses, session.GetText("Mode"), session.GetBool("NoErrors"),
                           no_rows ? session.GetText("ParseNote") : ""};
  if (view->Handle.DrawNotice != nullptr) {
    TagContents = view->Handle.DrawNotice(frame);
  } else {
    TagContents = view->Handle.DrawRows(*RunTable(session), *RunOutcomes(session), frame);
  }
}

// "WC@PARSE_NOTE" says where and why the reader stopped on a damaged file and
// how many rows it never reached, so that no one takes them for checked
// ones; it is empty for a file read to its end (a file without data rows
// says so in the notice view instead).
void ParseNoteTag(const main&, WebHost& host, std::string& TagContents) {
  const Session& session = host.session();
  const std::string note = session.GetBool("ReadStopped") ? session.GetText("ParseNote") : "";
  TagContents = note.empty() ? "" : "<P CLASS=\"note\">" + HtmlEscape(note) + "</P>";
}

// The rows the reader never reached in the session's run (session
// "UnreadRows", kept by the import as a decimal number).
int32_t UnreadRows(const Session& session) {
  int32_t rows = 0;
  if (!session.GetBool("ReadStopped")) return rows;
  const std::string text = session.GetText("UnreadRows");
  std::from_chars(text.data(), text.data() + text.size(), rows);
  return rows;
}

// "WC@SUMMARY" sums up the session's run in one line above the table; it is
// empty when the session holds no run or a run without rows.
void SummaryTag(const main&, WebHost& host, std::string& TagContents) {
  const Session& session = host.session();
  TagContents = "";
  if (!session.Contains("CSVData") || !session.Contains("CSVErrors")) return;
  const int32_t unread = UnreadRows(session);
  const auto table = RunTable(session);
  if (table->RowCount() == 0 && unread == 0) return;
  TagContents = DrawRunSummary(*table, *RunOutcomes(session), unread);
}

}  // namespace

void main::ImportDone_Respond(WebHost& host) {
  if (!InPageOrder(host, {"ImportCSV_Respond", "ImportDone_Respond", "RecheckRows_Respond",
                          "ImportRows_Respond"})) {
    return;
  }
  Session& session = host.session();
  // The notice view claims that every row passed: it is shown only when no
  // row failed, and the bad rows otherwise.
  const bool no_errors = session.GetBool("NoErrors");
  std::string display = host.QueryValue("d");
  if (display.empty() || (EqualsIgnoreCase(display, "n") && !no_errors)) {
    display = no_errors ? "n" : "b";
  }
  session.SetText("Display", display);
  session.SetText("Last", "ImportDone_Respond");
  MarkAnswer(host, contract::kResultsPage);
  host.WriteTemplate("importdone.htm",
                     [&](const std::string& TagName, std::string& TagContents, bool& SendTags) {
                       ImportDone_ProcessTag(host, TagName, TagContents, SendTags);
                     });
}

void main::ImportDone_ProcessTag(WebHost& host, const std::string& TagName,
                                 std::string& TagContents, bool& SendTags) {
  static constexpr PageTag kImportDoneTags[] = {
      {"WC@RESULTS", ResultsTag},
      {"WC@PARSE_NOTE", ParseNoteTag},
      {"WC@SUMMARY", SummaryTag},
      {"WC@FIX_ROWS", FixOffersTag},
  };
  ProcessPageTag(host, TagName, TagContents, SendTags, kImportDoneTags);
}

}  // namespace quorax
