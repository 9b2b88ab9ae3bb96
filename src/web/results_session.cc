#include "web/results_session.h"

#include "common/errors.h"
#include "rows/csv.h"
#include "web/run_corrections.h"

namespace quorax {

std::shared_ptr<const RowTable> RunTable(const Session& session) {
  std::shared_ptr<CSV> table = session.GetObject<CSV>("CSVData");
  if (table == nullptr) {
    throw MissingKey("there are no results in this session yet: upload a file first");
  }
  if (std::shared_ptr<RunCorrections> corrections = CorrectionsOf(session)) {
    return corrections->Current();
  }
  // Shares the ownership of the table the rows belong to.
  return std::shared_ptr<const RowTable>(table, &table->Rows());
}

std::shared_ptr<CSVRowErrors> RunOutcomes(const Session& session) {
  std::shared_ptr<CSVRowErrors> outcomes = session.GetObject<CSVRowErrors>("CSVErrors");
  if (outcomes == nullptr) {
    throw MissingKey("there are no results in this session yet: upload a file first");
  }
  return outcomes;
}

}  // namespace quorax
