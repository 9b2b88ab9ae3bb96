#ifndef QUORAX_SUPPORT_TIMING_H_
#define QUORAX_SUPPORT_TIMING_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorax {

// A local date and time (no time zone attached) in whole seconds. Differences
// are plain differences of local clock readings.
using LocalTime = std::chrono::local_seconds;

// Returns the current local date and time.
using Clock = std::function<LocalTime()>;

// The machine's current local date and time, whole seconds. Raises
// PlatformFailure when the local time cannot be determined.
LocalTime SystemClock();

// Formats `time` as "hh:mm:ss dd/mmm/yyyy" with a 24-hour clock and English
// month abbreviations whatever the process locale: "14:05:09 06/Dec/2026".
std::string FormatTime(LocalTime time);

// Named stopwatches. Names are compared exactly (case matters); each name is
// absent until first started, running until ended, then ended. Starting it
// again restarts it from the current time; ending it again moves its end.
class Timing {
 public:
  // A timer set reading the system clock.
  Timing();
  // A timer set reading `clock`.
  explicit Timing(Clock clock);

  // Starts (or restarts) the timer `TimingName`: its start becomes now and
  // its end one second before. Raises Overflow when the name would be the
  // 32,768th; the timers are then unchanged.
  void StartTiming(const std::string& TimingName);

  // Sets the end of the timer `TimingName` to now. Does nothing, and creates
  // nothing, when no timer has that name.
  void EndTiming(const std::string& TimingName);

  // The timer's start, or nullopt (the value -1 of the interface) when no
  // timer has that name.
  std::optional<LocalTime> GetStartTime(const std::string& TimingName) const;

  // The timer's end (one second before its start while it runs), or nullopt
  // (the value -1 of the interface) when no timer has that name.
  std::optional<LocalTime> GetEndTime(const std::string& TimingName) const;

  // The lapse in whole seconds: end minus start for an ended timer, now minus
  // start for a running one; -1 when no timer has that name. Raises Overflow
  // when the lapse does not fit 32 bits.
  int32_t GetLapsed(const std::string& TimingName) const;

  // The lapse as "D days hh:mm:ss" ("days" also for 1; days without leading
  // zeros, a day being 86,400 seconds), or "<unknown timing>" when no timer
  // has that name.
  std::string LapsedString(const std::string& TimingName) const;

 private:
  struct TimingEntry {
    std::string TimerName;
    LocalTime StartTime;
    LocalTime EndTime;
  };

  // The index of the timer named exactly `TimingName`, or -1.
  int16_t FindTiming(const std::string& TimingName) const;

  Clock Now;
  std::vector<TimingEntry> Timings;
  std::unordered_map<std::string, int16_t> IndexByName;
};

}  // namespace quorax

#endif  // QUORAX_SUPPORT_TIMING_H_
