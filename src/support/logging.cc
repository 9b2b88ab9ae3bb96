#include "support/logging.h"

#include <utility>

#include "support/text_file.h"

namespace quorax {
namespace {

const char kTimerName[] = "Logging";

std::string Rule() { return std::string(96, '='); }

}  // namespace

Logging::Logging() : Logging(&SystemClock) {}

Logging::Logging(Clock clock) : Now(clock), LogTimer(std::move(clock)) {}

Logging::~Logging() {
  try {
    EndLog();
  } catch (...) {
    // A destructor cannot report the failure; EndLog has closed the log.
  }
}

bool Logging::IsOpen() const { return !LogName.empty(); }

int16_t Logging::StartLog(const std::string& Filename) {
  if (Filename.empty()) return -1;
  if (IsOpen()) return -2;
  LogTimer.StartTiming(kTimerName);
  auto file = std::make_unique<TextFileWriter>(Filename);
  file->WriteLine("Log file started at " + FormatTime(*LogTimer.GetStartTime(kTimerName)));
  file->WriteLine(Rule());
  file->WriteLine("");
  file->Flush();
  Stream = std::move(file);
  LogName = Filename;
  return 0;
}

int16_t Logging::AppendLog(const std::string& Data) {
  if (!IsOpen()) return -1;
  Stream->WriteLine(FormatTime(Now()) + ":");
  Stream->WriteLine(Data);
  Stream->WriteLine("");
  Stream->Flush();
  return 0;
}

void Logging::EndLog() {
  if (!IsOpen()) return;
  std::unique_ptr<TextFileWriter> file = std::move(Stream);
  LogName.clear();
  LogTimer.EndTiming(kTimerName);
  file->WriteLine("");
  file->WriteLine(Rule());
  file->WriteLine("Log file closed at " + FormatTime(*LogTimer.GetEndTime(kTimerName)));
  file->WriteLine("Log file run time: " + LogTimer.LapsedString(kTimerName));
  file->Close();
}

std::string Logging::GetLogName() const { return LogName; }

}  // namespace quorax
