#ifndef QUORAX_OUTCOMES_CSV_ROW_ERROR_H_
#define QUORAX_OUTCOMES_CSV_ROW_ERROR_H_

#include <cstdint>
#include <string>

namespace quorax {

// The outcome of one data row of an import run. ErrorNumber is the verdict
// of the database procedure: 0 success, -1..-256 a rejected row (the
// absolute value is a set of failure flags 1..128), below -256 a database
// failure; positive codes carry no meaning of their own.
class CSVRowError {
 public:
  // Returns one CRLF-ended line per part of the outcome: "(code)" and the
  // message of every failure flag set, in flag order, when ErrorNumber is
  // negative; then ExtraInfo without leading and trailing spaces, unless that
  // leaves nothing. Returns "" when there is nothing to say.
  std::string GetDescription() const;

  int16_t RowNumber = 0;    // 1-based data row of the uploaded file
  int16_t ErrorNumber = 0;  // outcome code
  std::string ExtraInfo;    // success text or the database's error text
};

}  // namespace quorax

#endif  // QUORAX_OUTCOMES_CSV_ROW_ERROR_H_
