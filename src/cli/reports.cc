#include "cli/reports.h"

#include <cstdio>

#include "cli/terminal_text.h"
#include "common/text.h"
#include "common/windows1252.h"
#include "outcomes/outcome_name.h"

namespace quorax::cli {
namespace {

std::string CsvLine(const std::vector<std::string>& fields) {
  std::string line;
  for (const std::string& field : fields) {
    if (!line.empty()) line += ',';
    line += '"';
    for (char c : field) line += c == '"' ? std::string("\"\"") : std::string(1, c);
    line += '"';
  }
  return line + "\r\n";
}

// `text` (Windows-1252) as UTF-8 fit for an XML attribute or element.
std::string XmlValue(const std::string& text) { return XmlEscape(Utf8FromWindows1252(text)); }

// `text` (Windows-1252) as one UTF-8 console line: each line break a space,
// other control characters (the server's words among them) removed.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return TerminalText(Utf8FromWindows1252(text));
}

std::string TestCaseId(const RowResult& row) {
  return row.values.empty() ? std::string() : row.values.front();
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

// The testcase element of `row`.
std::string TestCaseXml(const RowResult& row, const std::string& class_name) {
  std::string xml = "  <testcase classname=\"" + XmlEscape(class_name) + "\" name=\"" +
                    XmlValue("row " + std::to_string(row.row) + ": " + TestCaseId(row)) + "\"";
  const std::string reasons = XmlValue(row.reasons);
  const std::string code = XmlValue(row.code);
  switch (row.state) {
    case RowState::Passed:
      return xml + "/>\n";
    case RowState::Rejected:
      return xml + ">\n    <failure message=\"" + reasons + "\" type=\"rejected " + code + "\">" +
             reasons + "</failure>\n  </testcase>\n";
    case RowState::DatabaseFailure:
      return xml + ">\n    <error message=\"" + reasons + "\" type=\"database failure " + code +
             "\">" + reasons + "</error>\n  </testcase>\n";
    case RowState::NotProcessed:
      break;
  }
  return xml + ">\n    <skipped message=\"not processed\"/>\n  </testcase>\n";
}

}  // namespace

std::string ErrorsCsv(const RunResults& results) {
  std::string text = CsvLine(results.header);
  for (const RowResult& row : results.rows) {
    if (row.state != RowState::Passed) text += CsvLine(row.values);
  }
  return text;
}

std::string ReportCsv(const RunResults& results) {
  std::vector<std::string> header = results.header;
  header.insert(header.end(), {"Outcome", "Code", "Reasons"});
  std::string text = CsvLine(header);
  for (const RowResult& row : results.rows) {
    std::vector<std::string> fields = row.values;
    fields.insert(fields.end(), {OutcomeName(row.state), row.code, row.reasons});
    text += CsvLine(fields);
  }
  return text;
}

std::string JUnitXml(const RunResults& results, const std::string& suite_name, double seconds) {
  const RowTally tally = Count(results);
  const std::string counts =
      " tests=\"" + std::to_string(tally.rows) + "\" failures=\"" + std::to_string(tally.rejected) +
      "\" errors=\"" + std::to_string(tally.database_failures) + "\" skipped=\"" +
      std::to_string(tally.not_processed) + "\" time=\"" + Seconds(seconds) + "\"";
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" + counts +
                    ">\n<testsuite name=\"" + XmlEscape(suite_name) + "\"" + counts + ">\n";
  for (const RowResult& row : results.rows) xml += TestCaseXml(row, suite_name);
  return xml + "</testsuite>\n</testsuites>\n";
}

std::string BadRowLines(const RunResults& results) {
  std::string text;
  for (const RowResult& row : results.rows) {
    if (row.state == RowState::Passed) continue;
    text += OneLine("row " + std::to_string(row.row) + ", test case " + TestCaseId(row) + ": " +
                    OutcomeName(row.state) + (row.reasons.empty() ? "" : ": " + row.reasons)) +
            "\n";
  }
  return text;
}

std::string DatabaseFailureLines(const RunResults& results) {
  std::string text;
  for (const RowResult& row : results.rows) {
    if (row.state != RowState::DatabaseFailure) continue;
    text += OneLine("quorax: the database failed at row " + std::to_string(row.row) + ": " +
                    row.reasons) +
            "\n";
  }
  return text;
}

std::string SummaryLine(const RowTally& tally, double seconds) {
  char time[32];
  std::snprintf(time, sizeof time, "%.1f", seconds);
  return std::to_string(tally.rows) + " rows: " + std::to_string(tally.passed) + " passed, " +
         std::to_string(tally.rejected) + " rejected, " + std::to_string(tally.database_failures) +
         " database failure, " + std::to_string(tally.not_processed) + " not processed (" + time +
         " s)\n";
}

}  // namespace quorax::cli
