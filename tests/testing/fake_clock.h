#ifndef QUORAX_TESTS_TESTING_FAKE_CLOCK_H_
#define QUORAX_TESTS_TESTING_FAKE_CLOCK_H_

#include <chrono>

#include "support/timing.h"

namespace quorax::testkit {

// A clock that stands still until a test moves it. Starts at
// 14:05:09 06/Dec/2026.
class FakeClock {
 public:
  Clock AsClock() {
    return [this] { return now_; };
  }
  void Advance(std::chrono::seconds by) { now_ += by; }
  LocalTime Now() const { return now_; }

 private:
  LocalTime now_ = std::chrono::local_days{std::chrono::year{2026} / std::chrono::December / 6} +
                   std::chrono::hours{14} + std::chrono::minutes{5} + std::chrono::seconds{9};
};

}  // namespace quorax::testkit

#endif  // QUORAX_TESTS_TESTING_FAKE_CLOCK_H_
