#ifndef QUORAX_TESTS_METRICS_METRIC_VALUE_H_
#define QUORAX_TESTS_METRICS_METRIC_VALUE_H_

#include <sstream>
#include <string>

namespace quorax {

// The value of `series` (a name with its labels exactly as exported, such as
// quorax_sign_ins_total{outcome="accepted"}) in scrape text, or -1 when the
// text has no such line.
inline double MetricValue(const std::string& scrape, const std::string& series) {
  std::istringstream lines(scrape);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(series + " ", 0) == 0) return std::stod(line.substr(series.size() + 1));
  }
  return -1;
}

}  // namespace quorax

#endif  // QUORAX_TESTS_METRICS_METRIC_VALUE_H_
