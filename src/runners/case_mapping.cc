#include "runners/case_mapping.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "runners/case_ids.h"
#include "runners/notes.h"
#include "runners/report_error.h"

namespace quorax::runners {
namespace {

// "C" and digits, not preceded by a letter or digit: test_login_C2, name [C3], @C14.
constexpr const char* kDefaultPattern = "(?:^|[^A-Za-z0-9])C([0-9]+)";

const char* ResultOf(Verdict verdict) {
  switch (verdict) {
    case Verdict::Passed:
      return "P";
    case Verdict::Failed:
      return "F";
    case Verdict::Untested:
      return "U";
  }
  return "U";
}

// Adds `id` to `ids` unless it is there already.
void AddId(std::vector<std::string>& ids, std::string id) {
  if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(std::move(id));
}

// Adds the ids of every match of `pattern` in `text`: the first run of
// digits of group 1 when the pattern has one, else of the whole match.
void AddMatches(std::vector<std::string>& ids, const std::string& text, const std::regex& pattern) {
  const bool grouped = pattern.mark_count() > 0;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
       it != std::sregex_iterator(); ++it) {
    const std::string matched = (*it)[grouped ? 1 : 0].str();
    const size_t start = matched.find_first_of("0123456789");
    if (start == std::string::npos) continue;
    const size_t end = matched.find_first_not_of("0123456789", start);
    if (auto id = CaseIdOf(std::string_view(matched).substr(start, end - start))) AddId(ids, *id);
  }
}

// Adds the ids the default pattern finds in `text`, as AddMatches would,
// without the regex engine, which costs most of the mapping of a large report.
void AddDefaultMatches(std::vector<std::string>& ids, std::string_view text) {
  const auto digit = [&](size_t i) {
    return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
  };
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != 'C' || !digit(i + 1)) continue;
    if (i > 0 && std::isalnum(static_cast<unsigned char>(text[i - 1]))) continue;
    size_t end = i + 1;
    while (digit(end)) ++end;
    if (auto id = CaseIdOf(text.substr(i + 1, end - i - 1))) AddId(ids, *id);
    i = end - 1;
  }
}

// Adds the ids `rules` find in `text`.
void AddPatternMatches(std::vector<std::string>& ids, const std::string& text,
                       const CaseRules& rules) {
  if (rules.default_pattern) {
    AddDefaultMatches(ids, text);
  } else {
    AddMatches(ids, text, rules.pattern);
  }
}

// Every case id of `test`, each once: its ids, then matching tags, then its
// name by pattern, then the map.
std::vector<std::string> CaseIdsOf(const RunnerTest& test, const CaseRules& rules) {
  std::vector<std::string> ids;
  for (const std::string& value : test.ids) {
    for (size_t start = value.find_first_not_of(" ,;"); start != std::string::npos;
         start = value.find_first_not_of(" ,;", start)) {
      const size_t end = value.find_first_of(" ,;", start);
      if (auto id = CaseIdOf(std::string_view(value).substr(start, end - start))) AddId(ids, *id);
      start = end;
    }
  }
  for (const std::string& tag : test.tags) AddPatternMatches(ids, tag, rules);
  AddPatternMatches(ids, test.name, rules);
  if (const auto mapped = rules.map.find(test.name); mapped != rules.map.end()) {
    for (const std::string& id : mapped->second) AddId(ids, id);
  }
  return ids;
}

}  // namespace

CaseRules LoadCaseRules(const std::string& pattern, const std::string& map_file) {
  CaseRules rules;
  rules.default_pattern = pattern.empty();
  try {
    rules.pattern = std::regex(pattern.empty() ? kDefaultPattern : pattern);
  } catch (const std::regex_error& e) {
    throw ReportError("--case-pattern \"" + pattern +
                      "\" is not a regular expression: " + e.what());
  }
  if (!map_file.empty()) rules.map = ReadCaseMap(map_file);
  return rules;
}

Mapping MapTests(const RunnerReport& report, const RunFields& fields, const CaseRules& rules) {
  Mapping mapping;
  for (const RunnerTest& test : report.tests) {
    const std::vector<std::string> ids = CaseIdsOf(test, rules);
    if (ids.empty()) {
      mapping.unmapped.push_back(test.name);
      continue;
    }
    ResultRow row;
    row.TestDate = fields.date;
    row.Version = fields.version;
    row.Platform = fields.platform;
    row.Browser = fields.browser;
    row.Result = ResultOf(test.verdict);
    row.Tester = fields.tester;
    row.Notes = NoteOf(test.message, mapping.replaced);
    for (const std::string& id : ids) {
      row.TestCaseID = id;
      mapping.rows.push_back({row, test.name});
    }
  }
  return mapping;
}

}  // namespace quorax::runners
