#include "web/results_summary.h"

#include <array>

#include "outcomes/row_state.h"

namespace quorax {

namespace {

// One kind of row in the summary, in the order the line names them.
struct SummaryPart {
  RowState State;
  const char* Words;     // follows the count in the sentence
  const char* BarClass;  // the style sheet colours the bar segment by it
};

constexpr std::array<SummaryPart, 4> kSummaryParts = {{
    {RowState::Passed, "passed", "passed"},
    {RowState::Rejected, "rejected", "rejected"},
    {RowState::DatabaseFailure, "database failure", "failure"},
    {RowState::NotProcessed, "not processed", "skipped"},
}};

}  // namespace

std::string DrawRunSummary(const RowTable& table, const CSVRowErrors& outcomes) {
  return DrawRunSummary(TallyRows(outcomes, table.RowCount()));
}

std::string DrawRunSummary(const RowTally& tally) {
  std::string line = "<p class=\"summary\">" + std::to_string(tally.rows) +
                     (tally.rows == 1 ? " row read: " : " rows read: ");
  std::string bar;
  for (size_t i = 0; i < kSummaryParts.size(); ++i) {
    const int32_t count = tally.Of(kSummaryParts[i].State);
    line += (i == 0 ? "" : ", ") + std::to_string(count) + " " + kSummaryParts[i].Words;
    if (count > 0) {
      bar += "<span class=\"" + std::string(kSummaryParts[i].BarClass) +
             "\" style=\"flex-grow: " + std::to_string(count) + "\"></span>";
    }
  }
  line += ".</p>\r\n";
  if (bar.empty()) return line;
  return line + "<div class=\"bar\" aria-hidden=\"true\">" + bar + "</div>\r\n";
}

}  // namespace quorax
