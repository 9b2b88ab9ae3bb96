#include <string>

#include "common/page_contract.h"
#include "common/text.h"
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
  std::optional<int32_t> rows_before_stop;
  if (session.GetBool("ReadStopped")) rows_before_stop = RunTable(session)->RowCount();
  const ResultsFrame frame{app.Addresses, session.GetText("Mode"), session.GetBool("NoErrors"),
                           rows_before_stop};
  if (view->Handle.DrawNotice != nullptr) {
    TagContents = view->Handle.DrawNotice(frame);
  } else {
    TagContents = view->Handle.DrawRows(*RunTable(session), *RunOutcomes(session), frame);
  }
}

// "WC@PARSE_NOTE" says where the reader stopped on a damaged file, so that no
// one takes the rows it never reached for checked ones; it is empty for a
// file read to its end.
void ParseNoteTag(const main&, WebHost& host, std::string& TagContents) {
  const std::string note = host.session().GetText("ParseNote");
  TagContents = note.empty() ? "" : "<P CLASS=\"note\">" + HtmlEscape(note) + "</P>";
}

// "WC@SUMMARY" sums up the session's run in one line above the table; it is
// empty when the session holds no run.
void SummaryTag(const main&, WebHost& host, std::string& TagContents) {
  const Session& session = host.session();
  TagContents = session.Contains("CSVData") && session.Contains("CSVErrors")
                    ? DrawRunSummary(*RunTable(session), *RunOutcomes(session))
                    : "";
}

}  // namespace

void main::ImportDone_Respond(WebHost& host) {
  if (!InPageOrder(host, {"ImportCSV_Respond", "ImportDone_Respond", "RecheckRows_Respond",
                          "ImportRows_Respond"})) {
    return;
  }
  Session& session = host.session();
  std::string display = host.QueryValue("d");
  if (display.empty()) {
    display = session.GetBool("NoErrors") || OnlyReadStopped(session) ? "n" : "b";
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
