#include "common/text.h"
#include "web/answer_status.h"
#include "web/main.h"
#include "web/run_download.h"

namespace quorax {

namespace {

// How long a page thread waits for a download being written: a small run's
// comes at once, a large one's with the page's next reload.
constexpr std::chrono::milliseconds kDownloadWait{1000};

}  // namespace

void main::RunExport_Respond(WebHost& host) { SendRunDownload(host, "results.csv", true); }

// A run still going has no downloads yet: its progress page is shown instead.
// One still being written is asked for again by the page, once a second.
void main::SendRunDownload(WebHost& host, const char* name, bool all_rows) {
  const std::shared_ptr<FileRun> run = SessionRun(host);
  if (run == nullptr) return;
  if (!run->Finished()) return RedirectAndEnd(host, RunItemAddress(contract::kRunProgress));
  std::shared_ptr<SpoolFile> file = Downloads.Take(run, all_rows, kDownloadWait);
  if (file == nullptr) {
    host.AddHeader("Refresh", "1");
    return WriteRunPage(host, std::string("Writing ") + name,
                        "<p>" + HtmlEscape(name) +
                            " is being written; it downloads by itself once it is ready.</p>\r\n"
                            "<p><a href=\"" +
                            HtmlEscape(RunItemAddress(contract::kRunResults)) +
                            "\">Back to the results</a></p>\r\n");
  }
  host.SetContentType("text/csv");
  MarkAnswer(host, contract::kResultsDownload);
  host.AddHeader("Content-Disposition", std::string("attachment; filename=") + name);
  host.SendFile(std::move(file));
  host.End();
}

}  // namespace quorax
