#include "runners/notes.h"

#include <algorithm>

#include "common/text.h"
#include "common/windows1252.h"

namespace quorax::runners {
namespace {

constexpr size_t kNoteLength = 255;  // the Notes column's size, in characters
constexpr char kEllipsis = '\x85';   // "…" in Windows-1252

// The length of the UTF-8 sequence that starts with `lead`; 1 for a byte
// that starts none.
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

// The first non-blank line of `text`, trimmed.
std::string_view FirstLine(std::string_view text) {
  constexpr std::string_view kBlank = " \t\r\n\f\v";
  const size_t start = text.find_first_not_of(kBlank);
  if (start == std::string_view::npos) return {};
  text.remove_prefix(start);
  text = text.substr(0, text.find_first_of("\r\n"));
  return text.substr(0, text.find_last_not_of(kBlank) + 1);
}

// The byte length of the first `count` characters of `text` (UTF-8), or
// npos when it holds no more than `count`.
size_t PrefixOf(std::string_view text, size_t count) {
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && count-- == 0) return i;
  }
  return std::string_view::npos;
}

// Words a runner puts where a message would be, saying no more than the verdict.
bool IsStatusWord(std::string_view line) {
  static constexpr std::string_view kStatusWords[] = {
      "fail",    "failed",  "failure", "error",    "errored", "skip",   "skipped",
      "ignored", "pending", "todo",    "disabled", "not run", "notrun", "aborted"};
  while (!line.empty() && (line.back() == '.' || line.back() == ':' || line.back() == '!')) {
    line.remove_suffix(1);
  }
  return std::any_of(std::begin(kStatusWords), std::end(kStatusWords),
                     [&](std::string_view word) { return EqualsIgnoreCase(word, line); });
}

// The test's own name: `line` is the first word of `name`, or a qualified name ending in its last
// part ("Class::test" for "Class.test"), alone or followed by a data set or a duration.
bool NamesTheTest(std::string_view line, std::string_view name) {
  name = name.substr(0, name.find(' '));
  const size_t space = std::min(line.find(' '), line.size());
  const std::string_view first = line.substr(0, space);
  const std::string_view rest = line.substr(space);
  if (name.empty() ||
      !(rest.empty() || rest.starts_with(" with data set") || rest.starts_with(" ("))) {
    return false;
  }
  if (first == name) return true;
  const size_t cut = name.find_last_of(".:\\");
  const std::string_view bare = cut == std::string_view::npos ? name : name.substr(cut + 1);
  if (bare.empty() || first.size() <= bare.size() || !first.ends_with(bare)) return false;
  const char before = first[first.size() - bare.size() - 1];
  return before == '.' || before == ':' || before == '\\';
}

bool IsBoilerplate(std::string_view line, std::string_view name) {
  return line.starts_with("=== RUN") || line.starts_with("=== PAUSE") ||
         line.starts_with("=== CONT") || line.starts_with("--- FAIL") ||
         line.starts_with("--- SKIP") || line.starts_with("FAILED:") || NamesTheTest(line, name);
}

// The first line of `text` that is neither blank nor boilerplate, trimmed; empty when none.
std::string_view MeaningfulLine(std::string_view text, std::string_view name) {
  while (!text.empty()) {
    const std::string_view line = FirstLine(text);
    if (line.empty()) return {};
    if (!IsBoilerplate(line, name)) return line;
    text.remove_prefix(static_cast<size_t>(line.data() - text.data()) + line.size());
  }
  return {};
}

// The rest of `text` after its first line (empty when it has one line).
std::string_view AfterLine(std::string_view text) {
  const size_t end = text.find('\n');
  return end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
}

// `line` (trimmed) is a bare location "FILE:LINE" or "FILE(LINE)", FILE without blanks; returns
// "NAME:LINE" with NAME the file's name without its folders, else empty.
std::string LocationIn(std::string_view line) {
  const bool parenthesised = line.ends_with(')');
  if (parenthesised) line.remove_suffix(1);
  const size_t cut = line.find_last_of(parenthesised ? "(" : ":");
  if (cut == std::string_view::npos || cut == 0 || cut + 1 == line.size()) return {};
  const std::string_view file = line.substr(0, cut);
  const std::string_view number = line.substr(cut + 1);
  if (file.find_first_of(" \t") != std::string_view::npos ||
      number.find_first_not_of("0123456789") != std::string_view::npos) {
    return {};
  }
  const size_t folder = file.find_last_of("/\\");
  const std::string_view name = folder == std::string_view::npos ? file : file.substr(folder + 1);
  return std::string(name) + ":" + std::string(number);
}

// `reason` followed by " (LOCATION)" when that fits a note, else `reason` alone.
std::string WithLocation(std::string_view reason, const std::string& location) {
  std::string located = std::string(reason) + " (" + location + ")";
  return location.empty() || PrefixOf(located, kNoteLength) != std::string_view::npos
             ? std::string(reason)
             : located;
}

// GoogleTest's message: a location on a line of its own, then the expectation, then the test's
// own message. Returns the last unindented line after the location (the test's message, else
// the expectation) with the location; empty for text of another shape.
std::string GoogleTestReason(std::string_view text) {
  const std::string location = LocationIn(FirstLine(text));
  if (location.empty()) return {};
  std::string_view reason;
  for (text = AfterLine(text.substr(text.find_first_not_of(" \t\r\n"))); !text.empty();
       text = AfterLine(text)) {
    const std::string_view line = FirstLine(text.substr(0, text.find('\n')));
    if (!line.empty() && line.data() == text.data()) reason = line;
  }
  return reason.empty() ? std::string() : WithLocation(reason, location);
}

// Boost.Test's message: a heading ending in ":" ("ASSERTION FAILURE:", "Test case disabled
// because of the following chain of decision:"), then "- KEY : VALUE" lines. Returns the value of
// "message" or "reason" (without quotes) with the "file" and "line" as a location; empty for
// text of another shape.
std::string BoostReason(std::string_view text) {
  if (!FirstLine(text).ends_with(':')) return {};
  std::string_view reason;
  std::string_view file;
  std::string_view line_number;
  for (text = AfterLine(text.substr(text.find_first_not_of(" \t\r\n"))); !text.empty();
       text = AfterLine(text)) {
    const std::string_view line = FirstLine(text.substr(0, text.find('\n')));
    const size_t colon = line.find(':');
    if (!line.starts_with("- ") || colon == std::string_view::npos) continue;
    const std::string_view key = FirstLine(line.substr(2, colon - 2));
    std::string_view value = FirstLine(line.substr(colon + 1));
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
      value = value.substr(1, value.size() - 2);
    }
    if (key == "message" || key == "reason") reason = value;
    if (key == "file") file = value;
    if (key == "line") line_number = value;
  }
  if (reason.empty()) return {};
  return WithLocation(reason, file.empty() || line_number.empty()
                                  ? std::string()
                                  : LocationIn(std::string(file) + ":" + std::string(line_number)));
}

// The reason a C++ runner's structured message gives, with where it happened; empty when
// `text` has neither runner's shape.
std::string StructuredReason(std::string_view text) {
  std::string reason = GoogleTestReason(text);
  return reason.empty() ? BoostReason(text) : reason;
}

}  // namespace

std::string ReasonOf(std::string_view message, std::string_view text, std::string_view test_name) {
  const std::string_view said = FirstLine(message);
  if (!IsStatusWord(said)) {
    if (std::string reason = StructuredReason(message); !reason.empty()) return reason;
    if (const std::string_view line = MeaningfulLine(message, test_name); !line.empty()) {
      return std::string(line);
    }
  }
  if (std::string reason = StructuredReason(text); !reason.empty()) return reason;
  if (const std::string_view line = MeaningfulLine(text, test_name); !line.empty()) {
    return std::string(line);
  }
  return std::string(said);
}

std::string NoteOf(std::string_view message, int32_t& replaced) {
  std::string_view line = FirstLine(message);
  const bool cut = PrefixOf(line, kNoteLength) != std::string_view::npos;
  if (cut) line = line.substr(0, PrefixOf(line, kNoteLength - 1));
  std::string note;  // Windows-1252: one byte per character
  while (!line.empty()) {
    bool malformed = false;
    const size_t stop = ConvertUtf8ToWindows1252(line, note, malformed);
    if (stop == std::string_view::npos) break;
    note += '?';
    ++replaced;
    const size_t skip = malformed ? 1 : SequenceLength(static_cast<unsigned char>(line[stop]));
    line.remove_prefix(std::min(line.size(), stop + skip));
  }
  if (cut) note += kEllipsis;
  return Utf8FromWindows1252(note);
}

}  // namespace quorax::runners
