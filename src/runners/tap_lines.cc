#include "runners/tap_lines.h"

#include <algorithm>
#include <cctype>

#include "common/text.h"

namespace quorax::runners {
namespace {

// Appends `separator` and `more` to `text` while it is within kTextBytes.
void AppendBounded(std::string& text, std::string_view separator, std::string_view more) {
  if (text.size() > kTextBytes) return;
  if (!text.empty()) text += separator;
  text += CutText(more, kTextBytes + 1 - std::min(text.size(), kTextBytes));
}

// A YAML scalar as written: quotes taken off, '' and \" inside them unescaped.
std::string Unquoted(std::string_view scalar) {
  scalar = CutText(scalar, kTextBytes);
  if (scalar.size() < 2 || scalar.front() != scalar.back() ||
      (scalar.front() != '\'' && scalar.front() != '"')) {
    return std::string(scalar);
  }
  const char quote = scalar.front();
  const std::string_view inner = scalar.substr(1, scalar.size() - 2);
  std::string value;
  for (size_t i = 0; i < inner.size(); ++i) {
    const bool escaped = quote == '\'' ? inner[i] == '\'' : inner[i] == '\\';
    if (escaped && i + 1 < inner.size()) ++i;
    value += inner[i];
  }
  return value;
}

// The field of `yaml` that the key `key` fills, or null.
std::string* FieldOf(std::string_view key, TapYaml& yaml) {
  if (key == "message") return &yaml.message;
  if (key == "error") return &yaml.error;
  if (key == "name") return &yaml.name;
  if (key == "assertion") return &yaml.assertion;
  return nullptr;
}

bool StartsWithWord(std::string_view text, std::string_view word) {
  return text.size() >= word.size() && EqualsIgnoreCase(text.substr(0, word.size()), word);
}

}  // namespace

std::string_view TapTrimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool ParseTapPoint(std::string_view text, TapPoint& point) {
  const bool ok = text.starts_with("ok");
  if (!ok && !text.starts_with("not ok")) return false;
  text.remove_prefix(ok ? 2 : 6);
  if (!text.empty() && text[0] != ' ' && text[0] != '\t' && text[0] != '#') return false;
  point = TapPoint{};
  point.ok = ok;
  text = TapTrimmed(text);
  const size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
  text = TapTrimmed(text.substr(digits));
  if (text == "-" || text.starts_with("- ")) text = TapTrimmed(text.substr(1));
  size_t at = 0;
  for (; at < text.size() && text[at] != '#'; ++at) {
    if (text[at] == '\\' && at + 1 < text.size() && (text[at + 1] == '#' || text[at + 1] == '\\'))
      ++at;
    if (point.description.size() <= kTextBytes) point.description += text[at];
  }
  point.description = std::string(TapTrimmed(point.description));
  if (at == text.size()) return true;
  const std::string_view directive = TapTrimmed(text.substr(at + 1));
  const size_t word = std::min(directive.find_first_of(" \t"), directive.size());
  if (StartsWithWord(directive, "skip")) {
    point.directive = TapDirective::Skip;
  } else if (word == 4 && StartsWithWord(directive, "todo")) {
    point.directive = TapDirective::Todo;
  } else {
    return true;
  }
  point.reason = CutText(TapTrimmed(directive.substr(word)), kTextBytes);
  return true;
}

size_t TapPlanOf(std::string_view text) {
  if (!text.starts_with("1..")) return kNoPlan;
  text.remove_prefix(3);
  const size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
  // Eighteen digits hold any count of tests a file could report.
  if (digits == 0 || digits > 18) return kNoPlan;
  if (digits < text.size() && text[digits] != ' ' && text[digits] != '#') return kNoPlan;
  return std::stoull(std::string(text.substr(0, digits)));
}

void TapYamlReader::Stop() {
  indent_ = key_indent_ = std::string_view::npos;
  filling_ = nullptr;
}

bool TapYamlReader::Read(std::string_view line, TapYaml& yaml) {
  if (indent_ == std::string_view::npos) return false;
  const size_t at = line.find_first_not_of(' ');
  const std::string_view text =
      at == std::string_view::npos ? std::string_view() : TapTrimmed(line.substr(at));
  if (text.empty()) return true;
  if (at < indent_) {
    Stop();
    return false;
  }
  if (at == indent_ && text == "...") {
    Stop();
    return true;
  }
  if (key_indent_ == std::string_view::npos) key_indent_ = at;
  if (at > key_indent_) {
    if (filling_ != nullptr) AppendBounded(*filling_, "\n", text);
    return true;
  }
  filling_ = nullptr;
  const size_t colon = text.find(':');
  std::string* value =
      colon == std::string_view::npos ? nullptr : FieldOf(text.substr(0, colon), yaml);
  if (value == nullptr) return true;
  const std::string_view scalar = TapTrimmed(text.substr(colon + 1));
  if (scalar.starts_with('|') || scalar.starts_with('>')) {
    value->clear();
    filling_ = value;
  } else {
    *value = Unquoted(scalar);
  }
  return true;
}

void AppendTapComment(std::string& comments, std::string_view body) {
  static constexpr std::string_view kBoilerplate[] = {
      "Failed test", "Failed (TODO) test", "(in test file", "(from function", "Looks like you"};
  body = TapTrimmed(body);
  if (body.empty()) return;
  for (std::string_view start : kBoilerplate) {
    if (body.starts_with(start)) return;
  }
  if (body.starts_with("at ") && body.find(" line ") != std::string_view::npos) return;
  AppendBounded(comments, " ", body);
}

std::string TapNote(const TapYaml& yaml, const std::string& assertion,
                    const std::string& comments) {
  for (const std::string* note : {&yaml.message, &yaml.error, &assertion, &comments}) {
    if (!note->empty()) return *note;
  }
  if (yaml.name.empty() || yaml.assertion.empty()) return yaml.name + yaml.assertion;
  return yaml.name + ": " + yaml.assertion;
}

void TapVerdict(const TapPoint& point, const std::string& note, RunnerTest& test) {
  const auto with = [](const char* what, const std::string& why) {
    return why.empty() ? std::string(what) : what + (": " + why);
  };
  switch (point.directive) {
    case TapDirective::Skip:
      test.verdict = Verdict::Untested;
      test.message = point.reason.empty() ? "skipped" : point.reason;
      return;
    case TapDirective::Todo:
      test.verdict = Verdict::Untested;
      test.message = point.ok
                         ? with("to do", point.reason)
                         : with("expected to fail", point.reason.empty() ? note : point.reason);
      return;
    case TapDirective::None:
      test.verdict = point.ok ? Verdict::Passed : Verdict::Failed;
      if (!point.ok) test.message = note;
      return;
  }
}

}  // namespace quorax::runners
