#include "web/results_session.h"

#include "common/errors.h"
#include "outcomes/row_state.h"

namespace quorax {

std::shared_ptr<const CSV> RunTable(const Session& session) {
  std::shared_ptr<CSV> table = session.GetObject<CSV>("CSVData");
  if (table == nullptr) {
    throw MissingKey("there are no results in this session yet: upload a file first");
  }
  return table;
}

std::shared_ptr<CSVRowErrors> RunOutcomes(const Session& session) {
  std::shared_ptr<CSVRowErrors> outcomes = session.GetObject<CSVRowErrors>("CSVErrors");
  if (outcomes == nullptr) {
    throw MissingKey("there are no results in this session yet: upload a file first");
  }
  return outcomes;
}

bool OnlyReadStopped(const Session& session) {
  if (!session.GetBool("ReadStopped")) return false;
  const RowTally tally = TallyRows(*RunOutcomes(session), RunTable(session)->GetRows());
  return tally.passed == tally.rows;
}

}  // namespace quorax
