#ifndef QUORAX_OUTCOMES_CSV_ROW_ERROR_H_
#define QUORAX_OUTCOMES_CSV_ROW_ERROR_H_

#include <cstdint>
#include <string>
#include <vector>

namespace quorax {

// The outcome of one data row of an import run. ErrorNumber is the verdict
// of the database procedure: 0 success, -1..-256 a rejected row (the
// absolute value is a set of failure flags 1..128), below -256 a database
// failure; a positive code reports no fault and passes as 0 does.
class CSVRowError {
 public:
  // Returns one CRLF-ended line per part of the outcome: "(code)" when
  // ErrorNumber is negative, then each line of Reasons(). Returns "" when
  // there is nothing to say.
  std::string GetDescription() const;

  // The reasons a tester reads: for a rejected row the message of every
  // failure flag set, in flag order; then ExtraInfo without leading and
  // trailing spaces, unless that leaves nothing. A database failure's code is
  // no set of flags, so its only reason is ExtraInfo, the database's text.
  std::vector<std::string> Reasons() const;

  int16_t RowNumber = 0;    // 1-based data row of the uploaded file
  int16_t ErrorNumber = 0;  // outcome code
  std::string ExtraInfo;    // success text or the database's error text
};

}  // namespace quorax

#endif  // QUORAX_OUTCOMES_CSV_ROW_ERROR_H_
