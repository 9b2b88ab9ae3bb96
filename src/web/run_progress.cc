#include <string>

#include "common/text.h"
#include "web/main.h"
#include "web/run_words.h"

namespace quorax {

// Shows the session's run while it goes; once it ended, its results. Changes nothing.
void main::RunProgress_Respond(WebHost& host) {
  const std::shared_ptr<FileRun> run = SessionRun(host);
  if (run == nullptr) return;
  const std::string results = RunItemAddress(contract::kRunResults);
  const FileRun::Progress progress = run->Snapshot();
  if (IsFinalStage(progress.stage)) return RedirectAndEnd(host, results);
  const std::string sentence = ProgressSentence(progress, Runs.PlaceOf(*run), run->order().import);
  const int32_t total = std::max(progress.total, 1);
  const std::string content =
      "<p>File: " + HtmlEscape(run->order().file_name) + "</p>\r\n" +
      "<div class=\"progress\" id=\"progress\" role=\"progressbar\" aria-label=\"Rows done\" "
      "aria-valuemin=\"0\" aria-valuemax=\"" +
      std::to_string(total) + "\" aria-valuenow=\"" + std::to_string(progress.done) +
      "\" aria-valuetext=\"" + HtmlEscape(sentence) + "\" data-status=\"" +
      HtmlEscape(RunItemAddress(contract::kRunStatus)) + "\" data-results=\"" +
      HtmlEscape(results) +
      "\"><span style=\"width: " + std::to_string(100LL * progress.done / total) +
      "%\"></span></div>\r\n" + "<p id=\"progress-text\" aria-live=\"polite\">" +
      HtmlEscape(sentence) + "</p>\r\n" + "<form method=\"post\" action=\"" +
      HtmlEscape(RunItemAddress(contract::kCancelRun)) +
      "\"><button type=\"submit\">Cancel</button></form>\r\n" +
      "<p>Rows already sent stay recorded when the run is cancelled; the results say where it "
      "stopped.</p>\r\n";
  WriteRunPage(
      host, run->order().import ? "Importing" : "Verifying", content, true,
      "<script src=\"" + HtmlEscape(RunItemAddress(contract::kRunScript)) + "\"></script>\r\n");
}

}  // namespace quorax
