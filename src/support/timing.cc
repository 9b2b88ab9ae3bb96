#include "support/timing.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <limits>
#include <utility>

#include "common/errors.h"
#include "common/int16.h"

namespace quorax {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

// At least two digits, a minus sign before them for a negative value.
std::string TwoDigits(int64_t value) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  if (digits.size() < 2) digits.insert(0, 1, '0');
  return value < 0 ? "-" + digits : digits;
}

}  // namespace

LocalTime SystemClock() {
  using namespace std::chrono;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) {
    throw PlatformFailure(std::string("could not read the local date and time: ") +
                          std::strerror(errno));
  }
  const local_days day{year{local.tm_year + 1900} / month{static_cast<unsigned>(local.tm_mon + 1)} /
                       std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
  return day + hours{local.tm_hour} + minutes{local.tm_min} + seconds{local.tm_sec};
}

std::string FormatTime(LocalTime time) {
  using namespace std::chrono;
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const local_days day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss<seconds> clock{time - day};
  std::string year_digits = std::to_string(static_cast<int>(date.year()));
  if (year_digits.size() < 4) year_digits.insert(0, 4 - year_digits.size(), '0');
  return TwoDigits(clock.hours().count()) + ":" + TwoDigits(clock.minutes().count()) + ":" +
         TwoDigits(clock.seconds().count()) + " " + TwoDigits(static_cast<unsigned>(date.day())) +
         "/" + kMonths[static_cast<unsigned>(date.month()) - 1] + "/" + year_digits;
}

Timing::Timing() : Timing(&SystemClock) {}

Timing::Timing(Clock clock) : Now(std::move(clock)) {}

void Timing::StartTiming(const std::string& TimingName) {
  const LocalTime now = Now();
  int16_t index = FindTiming(TimingName);
  if (index < 0) {
    const int16_t count =
        ToInt16(static_cast<int64_t>(Timings.size()) + 1, "the number of named timers");
    index = Sub16(count, 1);
    Timings.push_back(TimingEntry{TimingName, now, now});
    IndexByName.emplace(TimingName, index);
  }
  TimingEntry& entry = Timings[static_cast<size_t>(index)];
  entry.StartTime = now;
  entry.EndTime = now - std::chrono::seconds{1};
}

void Timing::EndTiming(const std::string& TimingName) {
  int16_t index = FindTiming(TimingName);
  if (index >= 0) Timings[static_cast<size_t>(index)].EndTime = Now();
}

std::optional<LocalTime> Timing::GetStartTime(const std::string& TimingName) const {
  int16_t index = FindTiming(TimingName);
  if (index < 0) return std::nullopt;
  return Timings[static_cast<size_t>(index)].StartTime;
}

std::optional<LocalTime> Timing::GetEndTime(const std::string& TimingName) const {
  int16_t index = FindTiming(TimingName);
  if (index < 0) return std::nullopt;
  return Timings[static_cast<size_t>(index)].EndTime;
}

int32_t Timing::GetLapsed(const std::string& TimingName) const {
  int16_t index = FindTiming(TimingName);
  if (index < 0) return -1;
  const TimingEntry& entry = Timings[static_cast<size_t>(index)];
  std::chrono::seconds lapse = entry.EndTime - entry.StartTime;
  if (lapse.count() < 0) lapse = Now() - entry.StartTime;
  if (lapse.count() < std::numeric_limits<int32_t>::min() ||
      lapse.count() > std::numeric_limits<int32_t>::max()) {
    throw Overflow("the run time of the timer \"" + TimingName + "\" (" +
                   std::to_string(lapse.count()) + " seconds) does not fit 32 bits");
  }
  return static_cast<int32_t>(lapse.count());
}

std::string Timing::LapsedString(const std::string& TimingName) const {
  if (FindTiming(TimingName) < 0) return "<unknown timing>";
  const int64_t lapse = GetLapsed(TimingName);
  const int64_t in_day = lapse % kSecondsPerDay;
  return std::to_string(lapse / kSecondsPerDay) + " days " + TwoDigits(in_day / 3600) + ":" +
         TwoDigits(in_day % 3600 / 60) + ":" + TwoDigits(in_day % 3600 % 60);
}

int16_t Timing::FindTiming(const std::string& TimingName) const {
  auto found = IndexByName.find(TimingName);
  return found == IndexByName.end() ? int16_t{-1} : found->second;
}

}  // namespace quorax
