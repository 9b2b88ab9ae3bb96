#include "outcomes/csv_row_errors.h"

#include <string>

#include "common/int16.h"
#include "outcomes/row_state.h"

namespace quorax {

void CSVRowErrors::Add(int16_t RowNum, int16_t ErrorNum) {
  auto outcome = std::make_shared<CSVRowError>();
  outcome->RowNumber = RowNum;
  outcome->ErrorNumber = ErrorNum;
  Entries.Add(outcome, std::to_string(RowNum));
  if (StateOfCode(ErrorNum) == RowState::Passed) {
    SuccessTotal = Add16(SuccessTotal, 1, "the number of successful rows");
  } else {
    FailTotal = Add16(FailTotal, 1, "the number of failed rows");
  }
}

std::shared_ptr<CSVRowError> CSVRowErrors::Item(int16_t RowNum) {
  std::shared_ptr<CSVRowError>* found = Entries.Find(std::to_string(RowNum));
  return found == nullptr ? nullptr : *found;
}

std::shared_ptr<CSVRowError> CSVRowErrors::Errors(int32_t position) const {
  return Entries.Item(position);
}

void CSVRowErrors::Clear() {
  Entries.Clear();
  SuccessTotal = 0;
  FailTotal = 0;
}

}  // namespace quorax
