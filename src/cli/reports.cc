#include "cli/reports.h"

#include <cstdio>

#include "cli/terminal.h"
#include "common/text.h"
#include "common/windows1252.h"
#include "outcomes/outcome_name.h"
#include "rows/csv_writer.h"

namespace quorax::cli {
namespace {

constexpr char kUnmapped[] = "unmapped";
constexpr char kNoCaseId[] = "no test case id";

// `text` (Windows-1252) as UTF-8 fit for an XML attribute or element.
std::string XmlValue(const std::string& text) { return XmlEscape(Utf8FromWindows1252(text)); }

// `text` (UTF-8) as one console line: each line break a space, other
// control characters (the server's words among them) removed.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return TerminalText(text);
}

std::string TestCaseId(const RowResult& row) {
  return row.values.empty() ? std::string() : row.values.front();
}

// The row's test case id and, when the file names the row's test, " (test)".
std::string RowLabel(const RunResults& results, const RowResult& row) {
  const auto column = static_cast<size_t>(results.test_column);
  if (results.test_column < 0 || column >= row.values.size()) return TestCaseId(row);
  return TestCaseId(row) + " (" + row.values[column] + ")";
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

std::string TestCaseOpening(const std::string& class_name, const std::string& name) {
  return "  <testcase classname=\"" + XmlEscape(class_name) + "\" name=\"" + name + "\"";
}

// A child element of a testcase saying what became of it.
std::string Outcome(const char* element, const std::string& message, const std::string& type) {
  return "    <" + std::string(element) + " message=\"" + message + "\" type=\"" + type + "\">" +
         message + "</" + element + ">\n";
}

// A testcase opened by `opening` holding `body` (XML; none: an empty element).
std::string TestCase(const std::string& opening, const std::string& body) {
  return body.empty() ? opening + "/>\n" : opening + ">\n" + body + "  </testcase>\n";
}

// The child element that says what became of `row`; none for a passed row.
std::string RowOutcome(const RowResult& row) {
  const std::string reasons = XmlValue(row.reasons);
  const std::string code = XmlValue(row.code);
  switch (row.state) {
    case RowState::Passed:
      return "";
    case RowState::Rejected:
      return Outcome("failure", reasons, "rejected " + code);
    case RowState::DatabaseFailure:
      return Outcome("error", reasons, "database failure " + code);
    case RowState::NotProcessed:
      break;
  }
  return "    <skipped message=\"not processed\"/>\n";
}

// The testcase element of `row`, named "row N: `label`" (UTF-8), `properties` (XML) first.
std::string TestCaseXml(const RowResult& row, const std::string& label,
                        const std::string& class_name, const std::string& properties = "") {
  return TestCase(
      TestCaseOpening(class_name, XmlEscape("row " + std::to_string(row.row) + ": " + label)),
      properties + RowOutcome(row));
}

// The row's values as UTF-8 text.
std::vector<std::string> Utf8Values(const RowResult& row) {
  std::vector<std::string> values;
  for (const std::string& value : row.values) values.push_back(Utf8FromWindows1252(value));
  return values;
}

}  // namespace

std::string CsvRecord(const std::vector<std::string>& fields) {
  std::string line;
  AppendCsvRecord(line, fields);
  return line;
}

std::string ErrorRows(const RunResults& results) {
  std::string text;
  for (const RowResult& row : results.rows) {
    if (row.state != RowState::Passed) text += CsvRecord(row.values);
  }
  return text;
}

std::string ReportHeader(const std::vector<std::string>& header, bool test_results) {
  std::vector<std::string> fields = header;
  fields.insert(fields.end(), {"Outcome", "Code", "Reasons"});
  if (test_results) fields.emplace_back("Test result");
  return CsvRecord(fields);
}

std::string ReportRows(const RunResults& results, bool test_results) {
  std::string text;
  for (const RowResult& row : results.rows) {
    std::vector<std::string> fields = row.values;
    fields.insert(fields.end(), {OutcomeName(row.state), row.code, row.reasons});
    if (test_results) fields.emplace_back();
    text += CsvRecord(fields);
  }
  return text;
}

std::string TestReportRow(const RunResults& results, const RowResult& row, const LedgerTest& test) {
  std::vector<std::string> fields = Utf8Values(row);
  const auto column = static_cast<size_t>(results.test_column);
  if (results.test_column >= 0 && column < fields.size()) fields[column] = test.name;
  fields.insert(fields.end(), {OutcomeName(row.state), Utf8FromWindows1252(row.code),
                               Utf8FromWindows1252(row.reasons), test.result});
  return CsvRecord(fields);
}

std::string UnmappedReportRow(const std::vector<std::string>& header, const std::string& test,
                              const std::string& result) {
  std::vector<std::string> fields;
  for (const std::string& name : header) fields.push_back(name == "Test" ? test : "");
  fields.insert(fields.end(), {kUnmapped, "", kNoCaseId, result});
  return CsvRecord(fields);
}

JUnitCounts CountsOf(const RowTally& tally, int32_t unmapped, bool rejected) {
  return {tally.rows + unmapped, tally.rejected + (rejected ? unmapped : 0),
          tally.database_failures, tally.not_processed + (rejected ? 0 : unmapped)};
}

std::string JUnitOpening(const std::string& element, const std::string& name,
                         const JUnitCounts& counts, double seconds) {
  return "<" + element + (name.empty() ? "" : " name=\"" + XmlEscape(name) + "\"") + " tests=\"" +
         std::to_string(counts.tests) + "\" failures=\"" + std::to_string(counts.failures) +
         "\" errors=\"" + std::to_string(counts.errors) + "\" skipped=\"" +
         std::to_string(counts.skipped) + "\" time=\"" + Seconds(seconds) + "\">\n";
}

std::string JUnitCases(const RunResults& results, const std::string& class_name) {
  std::string xml;
  for (const RowResult& row : results.rows) {
    xml += TestCaseXml(row, Utf8FromWindows1252(RowLabel(results, row)), class_name);
  }
  return xml;
}

std::string JUnitTestCase(const RowResult& row, const LedgerTest& test) {
  return TestCaseXml(row, Utf8FromWindows1252(TestCaseId(row)) + " (" + test.name + ")", test.file,
                     "    <properties><property name=\"result\" value=\"" + XmlEscape(test.result) +
                         "\"/></properties>\n");
}

std::string JUnitUnmapped(const std::string& test, const std::string& class_name, bool rejected) {
  const std::string xml = TestCaseOpening(class_name, XmlEscape(test));
  if (rejected) return TestCase(xml, Outcome("failure", kNoCaseId, kUnmapped));
  return TestCase(xml,
                  "    <skipped message=\"" + std::string(kUnmapped) + ": " + kNoCaseId + "\"/>\n");
}

std::string BadRowLines(const RunResults& results, const std::string& prefix) {
  std::string text;
  for (const RowResult& row : results.rows) {
    const auto column = static_cast<size_t>(results.test_column);
    const bool named = results.test_column >= 0 && column < row.values.size();
    text += BadRowLine(row, named ? Utf8FromWindows1252(row.values[column]) : "", prefix);
  }
  return text;
}

std::string BadRowLine(const RowResult& row, const std::string& tests, const std::string& prefix) {
  if (row.state == RowState::Passed) return "";
  return OneLine(prefix + "row " + std::to_string(row.row) + ", test case " +
                 Utf8FromWindows1252(TestCaseId(row)) + (tests.empty() ? "" : " (" + tests + ")") +
                 ": " + OutcomeName(row.state) +
                 (row.reasons.empty() ? "" : ": " + Utf8FromWindows1252(row.reasons))) +
         "\n";
}

std::string TestsLabel(const std::string& first, size_t count) {
  if (count < 2) return first;
  return first + " and " + std::to_string(count - 1) + " more";
}

std::string DatabaseFailureLines(const RunResults& results) {
  std::string text;
  for (const RowResult& row : results.rows) {
    if (row.state != RowState::DatabaseFailure) continue;
    text += OneLine(Utf8FromWindows1252("quorax: the database failed at row " +
                                        std::to_string(row.row) + ": " + row.reasons)) +
            "\n";
  }
  return text;
}

std::string SummaryLine(const RowTally& tally, double seconds, const TestCounts* tests) {
  char time[32];
  std::snprintf(time, sizeof time, "%.1f", seconds);
  return std::to_string(tally.rows) + " rows: " + std::to_string(tally.passed) + " passed, " +
         std::to_string(tally.rejected) + " rejected, " + std::to_string(tally.database_failures) +
         " database failure, " + std::to_string(tally.not_processed) + " not processed" +
         (tests == nullptr ? ""
                           : "; " + std::to_string(tests->mapped + tests->unmapped) +
                                 " tests: " + std::to_string(tests->mapped) + " mapped, " +
                                 std::to_string(tests->unmapped) + " unmapped") +
         " (" + time + " s)\n";
}

}  // namespace quorax::cli
