#include "runners/case_mapping.h"

#include <re2/re2.h>

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

// The note of a case with several tests shows this many characters; a longer one is cut.
constexpr size_t kNoteCharacters = 255;

// How strongly a test's verdict decides its case's result: a failure outweighs a test not run,
// which outweighs a pass.
int Weight(Verdict verdict) {
  switch (verdict) {
    case Verdict::Passed:
      return 0;
    case Verdict::Untested:
      return 1;
    case Verdict::Failed:
      return 2;
  }
  return 1;
}

// The number of characters of `text` (UTF-8).
size_t Characters(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// `name` on one line: a note holds only the first line of what it is made from.
std::string OneLine(std::string name) {
  std::replace_if(
      name.begin(), name.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return name;
}

// Adds `id` to `ids` unless it is there already.
void AddId(std::vector<std::string>& ids, std::string id) {
  if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(std::move(id));
}

// The matches looked at in one name or tag: each search is linear in the
// text, so a bound on their number keeps a text's work linear too.
constexpr size_t kMostMatches = 64;

// Adds the ids of the first kMostMatches matches of `pattern` in `text`: the
// first run of digits of group 1 when the pattern has one, else of the whole
// match. An empty match moves the search on by one byte.
void AddMatches(std::vector<std::string>& ids, std::string_view text, const re2::RE2& pattern) {
  const int group = pattern.NumberOfCapturingGroups() > 0 ? 1 : 0;
  re2::StringPiece found[2];
  for (size_t at = 0, matches = 0; at <= text.size() && matches < kMostMatches; ++matches) {
    if (!pattern.Match(text, at, text.size(), re2::RE2::UNANCHORED, found, group + 1)) break;
    const size_t end = static_cast<size_t>(found[0].data() - text.data()) + found[0].size();
    at = found[0].empty() ? end + 1 : end;
    const std::string_view matched(found[group].data(), found[group].size());
    const size_t digits = matched.find_first_of("0123456789");
    if (digits == std::string_view::npos) continue;
    const size_t digits_end = matched.find_first_not_of("0123456789", digits);
    if (auto id = CaseIdOf(matched.substr(digits, digits_end - digits))) AddId(ids, *id);
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

// Adds the ids `rules` find in the first kTextBytes of `text`.
void AddPatternMatches(std::vector<std::string>& ids, std::string_view text,
                       const CaseRules& rules) {
  text = CutText(text, kTextBytes);
  if (rules.default_pattern) {
    AddDefaultMatches(ids, text);
  } else {
    AddMatches(ids, text, *rules.pattern);
  }
}

// True for what RE2 refuses as a backreference (\1) or a lookaround ((?=, (?!, (?<=, (?<!):
// searching for them takes more than linear time.
bool NeedsBacktracking(std::string_view refused) {
  if (refused.size() >= 2 && refused[0] == '\\' && refused[1] >= '1' && refused[1] <= '9') {
    return true;
  }
  for (std::string_view look : {"(?=", "(?!", "(?<=", "(?<!"}) {
    if (refused.starts_with(look)) return true;
  }
  return false;
}

// Why RE2 refuses `pattern`, in a tester's words.
std::string WhyRefused(const std::string& pattern, const re2::RE2& compiled) {
  const std::string head = "--case-pattern \"" + pattern + "\" is ";
  if (compiled.error_code() == re2::RE2::ErrorPatternTooLarge) {
    return head + "not a pattern this server can run: it is too large";
  }
  if (NeedsBacktracking(compiled.error_arg())) {
    return head + "not a pattern this server can run: " + compiled.error() +
           " (backreferences and lookarounds are not supported)";
  }
  return head + "not a regular expression: " + compiled.error();
}

// `pattern` compiled; raises ReportError for one RE2 refuses.
std::shared_ptr<const re2::RE2> Compiled(const std::string& pattern) {
  re2::RE2::Options options;
  options.set_log_errors(false);
  // Enough for any pattern a tester writes; a search never takes more.
  options.set_max_mem(8 << 20);
  auto compiled = std::make_shared<const re2::RE2>(pattern, options);
  if (!compiled->ok()) throw ReportError(WhyRefused(pattern, *compiled));
  return compiled;
}

}  // namespace

std::vector<std::string> CaseGrouping::IdsOf(const RunnerTest& test) {
  std::vector<std::string> ids;
  for (const std::string& value : test.ids) {
    for (size_t start = value.find_first_not_of(" ,;"); start != std::string::npos;
         start = value.find_first_not_of(" ,;", start)) {
      const size_t end = value.find_first_of(" ,;", start);
      if (auto id = CaseIdOf(std::string_view(value).substr(start, end - start))) AddId(ids, *id);
      start = end;
    }
  }
  if (test.shared_tags) {
    if (test.shared_tags != shared_) {
      shared_ = test.shared_tags;
      shared_ids_.clear();
      for (const std::string& tag : *shared_) AddPatternMatches(shared_ids_, tag, rules_);
    }
    for (const std::string& id : shared_ids_) AddId(ids, id);
  }
  for (const std::string& tag : test.tags) AddPatternMatches(ids, tag, rules_);
  AddPatternMatches(ids, test.name, rules_);
  if (const auto mapped = rules_.map.find(test.name); mapped != rules_.map.end()) {
    for (const std::string& id : mapped->second) AddId(ids, id);
  }
  return ids;
}

CaseRules LoadCaseRules(const std::string& pattern, const std::string& map_file) {
  CaseRules rules;
  rules.default_pattern = pattern.empty();
  rules.pattern = Compiled(pattern.empty() ? kDefaultPattern : pattern);
  if (!map_file.empty()) rules.map = ReadCaseMap(map_file);
  return rules;
}

std::string_view ResultOf(Verdict verdict) {
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

std::vector<std::string> CaseGrouping::Add(const RunnerTest& test, const RunFields& fields,
                                           size_t report) {
  std::vector<std::string> ids = IdsOf(test);
  for (const std::string& id : ids) {
    const auto [at, added] = index_.try_emplace(id, rows_.size());
    if (added) {
      CaseRow& row = rows_.emplace_back();
      row.row.TestCaseID = id;
      row.row.TestDate = fields.date;
      row.row.Version = fields.version;
      row.row.Platform = fields.platform;
      row.row.Browser = fields.browser;
      row.row.Tester = fields.tester;
      row.report = report;
    }
    Join(rows_[at->second], test);
  }
  return ids;
}

void CaseGrouping::Join(CaseRow& row, const RunnerTest& test) const {
  if (++row.tests == 1) row.first_test = test.name;
  if (Weight(test.verdict) > Weight(row.verdict)) {
    // The notes of the tests that decided the weaker result say nothing about this one.
    row.verdict = test.verdict;
    row.noted = 0;
    row.first_note.clear();
    row.first_replaced = 0;
    row.named.clear();
    row.named_replaced = 0;
  }
  if (test.verdict != row.verdict || (test.verdict == Verdict::Passed && test.message.empty())) {
    return;
  }
  int32_t replaced = 0;
  std::string note = NoteOf(test.message, replaced);
  // Beyond what a note shows, the names would only be cut away again.
  if (Characters(row.named) <= kNoteCharacters) {
    row.named +=
        (row.named.empty() ? "" : "; ") + OneLine(test.name) + (note.empty() ? "" : ": " + note);
    row.named_replaced += replaced;
  }
  if (++row.noted == 1) {
    row.first_note = std::move(note);
    row.first_replaced = replaced;
  }
}

Mapping CaseGrouping::Take() {
  Mapping mapping;
  mapping.rows.reserve(rows_.size());
  for (CaseRow& kept : rows_) {
    kept.row.Result = ResultOf(kept.verdict);
    if (kept.tests == 1) {
      kept.row.Notes = std::move(kept.first_note);
      mapping.replaced += kept.first_replaced;
    } else if (kept.noted > 0) {
      kept.row.Notes = NoteOf(kept.named, mapping.replaced);
      mapping.replaced += kept.named_replaced;
    }
    std::string test = kept.tests == 1
                           ? std::move(kept.first_test)
                           : kept.first_test + " and " + std::to_string(kept.tests - 1) + " more";
    mapping.rows.push_back({std::move(kept.row), std::move(test), kept.report});
  }
  rows_.clear();
  index_.clear();
  return mapping;
}

Mapping MapTests(const RunnerReport& report, const RunFields& fields, const CaseRules& rules) {
  CaseGrouping grouping(rules);
  std::vector<std::string> unmapped;
  for (const RunnerTest& test : report.tests) {
    if (grouping.Add(test, fields, 0).empty()) unmapped.push_back(test.name);
  }
  Mapping mapping = grouping.Take();
  mapping.unmapped = std::move(unmapped);
  return mapping;
}

}  // namespace quorax::runners
