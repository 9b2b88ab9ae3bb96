#include <sstream>

#include "common/errors.h"
#include "common/read_file.h"
#include "common/text.h"
#include "runners/case_ids.h"
#include "runners/report_error.h"

namespace quorax::runners {
namespace {

using Record = std::vector<std::string>;

// Splits `text` into CSV records: fields separated by commas, quoted fields
// with doubled quotes, records ended by LF or CR LF. Raises ReportError for a
// quote left open.
std::vector<Record> Records(const std::string& file, std::string_view text) {
  std::vector<Record> records(1, Record(1));
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& field = records.back().back();
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().emplace_back();
    } else if (c == '\n') {
      if (field.ends_with('\r')) field.pop_back();
      records.emplace_back(1);
    } else {
      field += c;
    }
  }
  if (quoted) throw ReportError(file + ": a quoted field is not closed");
  if (records.back() == Record(1)) records.pop_back();
  return records;
}

size_t ColumnNamed(const std::string& file, const Record& header, std::string_view name) {
  for (size_t i = 0; i < header.size(); ++i) {
    if (EqualsIgnoreCase(TrimSpaces(header[i]), name)) return i;
  }
  throw ReportError(file + ": the case map has no column \"" + std::string(name) + "\"");
}

}  // namespace

std::optional<std::string> CaseIdOf(std::string_view value) {
  if (value.starts_with('C') || value.starts_with('c')) value.remove_prefix(1);
  if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos) return {};
  const size_t first = std::min(value.find_first_not_of('0'), value.size() - 1);
  return std::string(value.substr(first));
}

std::map<std::string, std::vector<std::string>> ReadCaseMap(const std::string& file) {
  std::optional<std::string> text;
  try {
    text = ReadWholeFile(file);
  } catch (const PlatformFailure& e) {
    throw ReportError(file + ": the case map cannot be read: " + e.what());
  }
  if (!text) throw ReportError(file + ": no such case map file");
  const std::vector<Record> records = Records(file, *text);
  if (records.empty()) throw ReportError(file + ": the case map is empty");
  const size_t test = ColumnNamed(file, records[0], "test");
  const size_t cases = ColumnNamed(file, records[0], "case");
  std::map<std::string, std::vector<std::string>> map;
  for (size_t line = 1; line < records.size(); ++line) {
    const Record& record = records[line];
    if (record == Record(1)) continue;
    const std::string where = file + ":" + std::to_string(line + 1);
    if (record.size() <= std::max(test, cases)) throw ReportError(where + ": too few columns");
    std::istringstream ids(record[cases]);
    for (std::string id; ids >> id;) {
      const std::optional<std::string> case_id = CaseIdOf(id);
      if (!case_id) throw ReportError(where + ": \"" + id + "\" is not a case id");
      map[record[test]].push_back(*case_id);
    }
  }
  return map;
}

}  // namespace quorax::runners
