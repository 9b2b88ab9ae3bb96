#ifndef QUORAX_SUPPORT_LOGGING_H_
#define QUORAX_SUPPORT_LOGGING_H_

#include <cstdint>
#include <memory>
#include <string>

#include "support/timing.h"

namespace quorax {

class TextFileWriter;

// Writes one plain-text log file at a time: a header with the start time, an
// entry of three lines per AppendLog, and a footer with the closing time and
// the run time. The file is single-byte text, created anew, and every line
// ends with CR LF. Times read "hh:mm:ss dd/mmm/yyyy" (see FormatTime).
//
// Destroying a Logging with an open log writes the footer first; a failure
// to write it then cannot be reported and leaves the file without it.
class Logging {
 public:
  // A logger reading the system clock.
  Logging();
  // A logger reading `clock` for its run timer and its entries.
  explicit Logging(Clock clock);
  ~Logging();

  Logging(const Logging&) = delete;
  Logging& operator=(const Logging&) = delete;

  // True while a log is open.
  bool IsOpen() const;

  // Restarts the run timer and creates `Filename` with the log's header.
  // Returns 0 when started, -1 (nothing done) when `Filename` is empty, -2
  // (the open log untouched) when a log is already open. Raises
  // PlatformFailure when the file cannot be created or written; the timer
  // has then been restarted and the log stays closed.
  int16_t StartLog(const std::string& Filename);

  // Writes the current time and ":", then `Data` unchanged, then an empty
  // line. Returns 0 when written, -1 (nothing written) when no log is open.
  // Raises PlatformFailure when the file cannot be written.
  int16_t AppendLog(const std::string& Data);

  // Ends the run timer, writes the footer and closes the log. Does nothing
  // when no log is open. The log is closed afterwards even when writing
  // fails, which raises PlatformFailure.
  void EndLog();

  // The open log's file name, or "" when none is open.
  std::string GetLogName() const;

 private:
  Clock Now;
  std::unique_ptr<TextFileWriter> Stream;
  Timing LogTimer;
  std::string LogName;
};

}  // namespace quorax

#endif  // QUORAX_SUPPORT_LOGGING_H_
