#include "cli/results.h"

#include <optional>
#include <utility>

#include "common/windows1252.h"
#include "outcomes/outcome_name.h"
#include "rows/csv_tokenizer.h"
#include "rows/result_columns.h"
#include "upload/upload_text.h"

namespace quorax::cli {
namespace {

// The three columns the download adds after the uploaded ones.
constexpr size_t kOutcomeColumns = 3;

RowState StateOfName(const std::string& name) {
  if (const std::optional<RowState> state = StateNamed(name)) return *state;
  throw CliFailure(kServiceFailed, "the server's results hold an unknown outcome \"" + name + "\"");
}

std::vector<std::string> RowValues(const CSV& table, int32_t row) {
  std::vector<std::string> values;
  for (int32_t col = 0; col < table.GetCols(); ++col)
    values.emplace_back(table.Rows().Cell(row, col));
  return values;
}

// Sets the header of `results` from `table`, with the column that names each row's test.
void SetHeader(const CSV& table, RunResults& results) {
  if (!results.header.empty()) return;
  results.header = HeaderOf(table);
  for (size_t col = kResultColumnsNeeded; col < results.header.size(); ++col) {
    if (results.header[col] == "Test") results.test_column = static_cast<int32_t>(col);
  }
}

// The results download as Windows-1252 text, like the rows the file's
// pieces are read into: a download in UTF-8 starts with the byte-order mark.
std::string DownloadText(const std::string& download) {
  if (!download.starts_with(kUtf8ByteOrderMark)) return download;
  return Windows1252FromUtf8(std::string_view(download).substr(kUtf8ByteOrderMark.size()));
}

}  // namespace

std::vector<std::string> HeaderOf(const CSV& table) {
  std::vector<std::string> names;
  for (int32_t col = 0; col < table.GetCols(); ++col) {
    const std::string_view name = table.Rows().ColumnName(col);
    names.push_back(name.starts_with('"') ? ReadRecords(name).front().front() : std::string(name));
  }
  return names;
}

void AddPiece(const CSV& table, int32_t first_row, const std::string& download,
              RunResults& results) {
  const std::vector<std::vector<std::string>> records = ReadRecords(DownloadText(download));
  if (records.empty() || records.front().size() < kOutcomeColumns) {
    throw CliFailure(kServiceFailed, "the server's results download is empty or damaged");
  }
  // A server that answers more rows than it was sent is broken: its outcomes cannot be trusted.
  if (records.size() - 1 > static_cast<size_t>(table.GetRows())) {
    throw CliFailure(kServiceFailed, "the server's results download holds " +
                                         std::to_string(records.size() - 1) + " rows, but only " +
                                         std::to_string(table.GetRows()) +
                                         " were sent: the server is broken");
  }
  SetHeader(table, results);
  for (int32_t row = 0; row < table.GetRows(); ++row) {
    RowResult result{first_row + row, RowValues(table, row), RowState::NotProcessed, "", ""};
    if (static_cast<size_t>(row) + 1 < records.size()) {
      const std::vector<std::string>& record = records[static_cast<size_t>(row) + 1];
      if (record.size() < kOutcomeColumns) {
        throw CliFailure(kServiceFailed, "the server's results download has a damaged row");
      }
      const size_t outcome = record.size() - kOutcomeColumns;
      result.state = StateOfName(record[outcome]);
      result.code = record[outcome + 1];
      result.reasons = record[outcome + 2];
    }
    results.rows.push_back(std::move(result));
  }
}

void AddUnsentPiece(const CSV& table, int32_t first_row, RunResults& results) {
  SetHeader(table, results);
  for (int32_t row = 0; row < table.GetRows(); ++row) {
    results.rows.push_back(
        {first_row + row, RowValues(table, row), RowState::NotProcessed, "", ""});
  }
}

bool DatabaseFailed(const RunResults& results) {
  for (const RowResult& row : results.rows) {
    if (row.state == RowState::DatabaseFailure) return true;
  }
  return false;
}

RowTally Count(const RunResults& results) {
  RowTally tally;
  for (const RowResult& row : results.rows) tally.Add(row.state);
  return tally;
}

ExitStatus StatusOf(const RowTally& tally) {
  if (tally.database_failures > 0 || tally.not_processed > 0) return kServiceFailed;
  return tally.rejected > 0 ? kRowsRejected : kAllPassed;
}

}  // namespace quorax::cli
