// Writes a short log with the installed Quorax support library.
// Usage: log_demo LOGFILE
#include <iostream>

#include "common/errors.h"
#include "support/logging.h"
#include "support/timing.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: log_demo LOGFILE\n";
    return 2;
  }
  try {
    quorax::Logging log;
    if (log.StartLog(argv[1]) != 0) return 1;
    quorax::Timing timing;
    timing.StartTiming("greeting");
    log.AppendLog("Hello from a program outside the Quorax source tree.");
    timing.EndTiming("greeting");
    log.AppendLog("The greeting took " + timing.LapsedString("greeting") + ".");
    log.EndLog();
  } catch (const quorax::Error& error) {
    std::cerr << "log_demo: " << error.what() << "\n";
    return 1;
  }
  std::cout << "wrote " << argv[1] << "\n";
  return 0;
}
