#include <charconv>
#include <string>

#include "common/text.h"
#include "contract/page_contract.h"
#include "web/answer_status.h"
#include "web/fix_view.h"
#include "web/main.h"
#include "web/results_session.h"
#include "web/run_corrections.h"

namespace quorax {
namespace {

// The page the query key "p" asks for; the first for a value that is no
// number (DrawFixView shows the last for one past it).
int32_t RequestedPage(const WebHost& host) {
  const std::string text = host.QueryValue("p");
  int32_t page = 1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), page);
  return error == std::errc() && end == text.data() + text.size() ? page : 1;
}

}  // namespace

void FixOffersTag(const main& app, WebHost& host, std::string& TagContents) {
  Session& session = host.session();
  if (!session.Contains("CSVData") || !session.Contains("CSVErrors")) {
    TagContents.clear();
    return;
  }
  const auto table = RunTable(session);
  const auto outcomes = RunOutcomes(session);
  const FixViewFrame frame{app.Addresses, EqualsIgnoreCase(session.GetText("Mode"), "Import"),
                           CorrectionsFor(session).Stamp(), 1};
  TagContents = DrawFixOffers(*table, *outcomes, frame);
}

// Raises MissingKey, as every view of the results page does, when the
// session holds no run.
void main::FixRows_Respond(WebHost& host) {
  if (!InPageOrder(host, {"ImportDone_Respond"})) return;
  Session& session = host.session();
  const auto table = RunTable(session);
  const auto outcomes = RunOutcomes(session);
  const FixViewFrame frame{Addresses, EqualsIgnoreCase(session.GetText("Mode"), "Import"),
                           CorrectionsFor(session).Stamp(), RequestedPage(host)};
  MarkAnswer(host, contract::kResultsPage);
  WriteFixPage(host, DrawFixView(*table, *outcomes, frame));
}

void main::RefuseFixForm(WebHost& host, const std::string& reason) {
  host.SetStatus(400);
  MarkAnswer(host, contract::kUploadRefused, reason);
  WriteFixPage(host, "<p class=\"note\" role=\"alert\">" + HtmlEscape(reason) +
                         "</p>\r\n<p>Nothing was sent to the database.</p>\r\n<p><a href=\"" +
                         ItemAddress(Addresses, contract::kFixRows) +
                         "\">Back to the bad rows</a></p>\r\n");
  host.End();
}

void main::WriteFixPage(WebHost& host, const std::string& contents) {
  host.WriteTemplate("fixrows.htm",
                     [&](const std::string& TagName, std::string& TagContents, bool& SendTags) {
                       if (ProcessCommonTags(host, TagName, TagContents, SendTags)) return;
                       SendTags = DebugMode;
                       if (EqualsIgnoreCase(TagName, "WC@FIX_VIEW")) TagContents = contents;
                     });
}

}  // namespace quorax
