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

// One bar segment of `count` rows, none for no rows.
std::string BarSegment(const char* bar_class, int32_t count) {
  if (count <= 0) return "";
  return "<span class=\"" + std::string(bar_class) +
         "\" style=\"flex-grow: " + std::to_string(count) + "\"></span>";
}

}  // namespace

std::string DrawRunSummary(const RowTable& table, const CSVRowErrors& outcomes,
                           int32_t unread_rows) {
  return DrawRunSummary(TallyRows(outcomes, table.RowCount()), unread_rows);
}

std::string DrawRunSummary(const RowTally& tally, int32_t unread_rows) {
  std::string line = "<p class=\"summary\">" + std::to_string(tally.rows) +
                     (tally.rows == 1 ? " row read: " : " rows read: ");
  std::string bar;
  for (size_t i = 0; i < kSummaryParts.size(); ++i) {
    const int32_t count = tally.Of(kSummaryParts[i].State);
    line += (i == 0 ? "" : ", ") + std::to_string(count) + " " + kSummaryParts[i].Words;
    bar += BarSegment(kSummaryParts[i].BarClass, count);
  }
  if (unread_rows > 0) {
    line +=
        "; " + std::to_string(unread_rows) + (unread_rows == 1 ? " row" : " rows") + " not read";
  }
  bar += BarSegment("unread", unread_rows);
  line += ".</p>\r\n";
  if (bar.empty()) return line;
  return line + "<div class=\"bar\" aria-hidden=\"true\">" + bar + "</div>\r\n";
}

}  // namespace quorax
