#include "web/main.h"

namespace quorax {

// Asks the session's run to stop before its next piece, then shows its progress.
void main::CancelRun_Respond(WebHost& host) {
  const std::shared_ptr<FileRun> run = SessionRun(host);
  if (run == nullptr) return;
  run->Cancel();
  RedirectAndEnd(host, RunItemAddress(contract::kRunProgress));
}

}  // namespace quorax
