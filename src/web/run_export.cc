#include "web/answer_status.h"
#include "web/main.h"
#include "web/run_download.h"

namespace quorax {

void main::RunExport_Respond(WebHost& host) { SendRunDownload(host, "results.csv", true); }

// A run still going has no downloads yet: its progress page is shown instead.
void main::SendRunDownload(WebHost& host, const char* name, bool all_rows) {
  const std::shared_ptr<FileRun> run = SessionRun(host);
  if (run == nullptr) return;
  if (!run->Finished()) return RedirectAndEnd(host, RunItemAddress(contract::kRunProgress));
  std::shared_ptr<SpoolFile> file = WriteRunDownload(*run, all_rows);
  host.SetContentType("text/csv");
  MarkAnswer(host, contract::kResultsDownload);
  host.AddHeader("Content-Disposition", std::string("attachment; filename=") + name);
  host.SendFile(std::move(file));
  host.End();
}

}  // namespace quorax
