#include <cstdio>
#include <string>

#include "web/main.h"
#include "web/run_words.h"

namespace quorax {

namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f", value);
  return text;
}

}  // namespace

// A small answer a page may ask for every second: no page order, nothing
// changes. Without a run in the session the answer says "none".
void main::RunStatus_Respond(WebHost& host) {
  host.SetContentType("application/json");
  host.AddHeader("Cache-Control", "no-store");
  const auto held = host.session().GetObject<HeldRun>("FileRun");
  if (held == nullptr) {
    host.Write("{\"stage\":\"none\",\"finished\":true}");
    host.End();
    return;
  }
  const FileRun::Progress progress = held->run->Snapshot();
  host.Write(
      "{\"stage\":\"" + std::string(StageName(progress.stage)) +
      "\",\"finished\":" + (IsFinalStage(progress.stage) ? "true" : "false") + ",\"done\":" +
      std::to_string(progress.done) + ",\"total\":" + std::to_string(progress.total) +
      ",\"place\":" + std::to_string(Runs.PlaceOf(*held->run)) +
      ",\"rowsPerSecond\":" + Number(progress.rows_per_second) +
      ",\"secondsLeft\":" + Number(progress.seconds_left) + ",\"text\":\"" +
      JsonEscape(ProgressSentence(progress, Runs.PlaceOf(*held->run), held->run->order().import)) +
      "\"}");
  host.End();
}

}  // namespace quorax
