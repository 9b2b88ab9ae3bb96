#include "rows/csv_tokenizer.h"

#include <cassert>
#include <utility>

namespace quorax {
namespace {

constexpr char kQuote = '"';
constexpr size_t kNone = std::string_view::npos;

FieldScan Fault(FieldFault fault, size_t consumed) { return {fault, 0, consumed}; }

}  // namespace

std::string_view DetectLineEnd(std::string_view text) {
  if (text.find("\r\n") != kNone) return "\r\n";
  if (text.find('\n') != kNone) return "\n";
  return {};
}

size_t RecordEnd(std::string_view text, size_t start, std::string_view line_end) {
  bool field_start = true;
  bool quoted = false;
  for (size_t at = start; at < text.size(); ++at) {
    const char c = text[at];
    if (quoted) {
      if (c == kQuote && at + 1 < text.size() && text[at + 1] == kQuote) {
        ++at;
      } else if (c == kQuote) {
        quoted = false;
      }
      continue;
    }
    if (text.compare(at, line_end.size(), line_end) == 0) return at + line_end.size();
    quoted = field_start && c == kQuote;
    field_start = c == ',';
  }
  return text.size();
}

size_t ReadRecord(std::string_view text, size_t start, std::vector<std::string>& fields) {
  assert(start < text.size());
  fields.clear();
  std::string field;
  bool quoted = false;
  bool field_start = true;
  for (size_t at = start; at < text.size(); ++at) {
    const char c = text[at];
    if (quoted) {
      if (c != kQuote) {
        field += c;
      } else if (at + 1 < text.size() && text[at + 1] == kQuote) {
        field += kQuote;
        ++at;
      } else {
        quoted = false;
      }
      continue;
    }
    if (c == kQuote && field_start) {
      quoted = true;
      field_start = false;
    } else if (c == ',' || c == '\n') {
      fields.push_back(std::exchange(field, {}));
      field_start = true;
      if (c == '\n') return at + 1;
    } else if (c != '\r' || at + 1 >= text.size() || text[at + 1] != '\n') {
      field += c;
      field_start = false;
    }
  }
  fields.push_back(std::move(field));
  return text.size();
}

std::vector<std::vector<std::string>> ReadRecords(std::string_view text) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> fields;
  for (size_t at = 0; at < text.size();) {
    at = ReadRecord(text, at, fields);
    records.push_back(std::move(fields));
  }
  return records;
}

size_t CsvTokenizer::ForwardSearch::From(size_t from) {
  if (!searched_ || searched_from_ > from || found_ < from) {
    found_ = pattern_.size() == 1 ? text_.find(pattern_[0], from) : text_.find(pattern_, from);
    searched_from_ = from;
    searched_ = true;
  }
  return found_;
}

CsvTokenizer::CsvTokenizer(std::string_view text, std::string_view line_end)
    : text_(text), line_end_(line_end), line_ends_(text, line_end), commas_(text, ",") {
  assert(!line_end.empty());
}

FieldScan CsvTokenizer::Field(size_t start, bool last, std::string& value) {
  value.clear();
  // A row can end its text right after a comma: no character is left for the
  // next field, and so no line end follows it.
  if (start >= text_.size()) return Fault(FieldFault::kNoLineEnd, start);
  return text_[start] == kQuote ? Quoted(start, last, value) : Unquoted(start, last, value);
}

FieldScan CsvTokenizer::Quoted(size_t start, bool last, std::string& value) {
  std::string text;
  size_t from = start + 1;  // just after the opening quote or a doubled quote
  size_t after = 0;         // just after the closing quote
  for (;;) {
    const size_t quote = text_.find(kQuote, from);
    if (quote == kNone) return Fault(FieldFault::kQuoteNeverClosed, from);
    text.append(text_.substr(from, quote - from));
    after = quote + 1;
    if (after + line_end_.size() > text_.size()) {
      return Fault(FieldFault::kNothingAfterQuote, after);
    }
    if (text_[after] != kQuote) break;
    text += kQuote;
    from = after + 1;
  }
  size_t end = after + 1;
  if (last) {
    if (text_.compare(after, line_end_.size(), line_end_) != 0) {
      return Fault(FieldFault::kTextAfterLastQuoted, after);
    }
    end = after + line_end_.size();
  } else if (text_[after] != ',') {
    return Fault(FieldFault::kTextAfterQuoted, after);
  }
  value = std::move(text);
  return {FieldFault::kNone, end, end};
}

FieldScan CsvTokenizer::Unquoted(size_t start, bool last, std::string& value) {
  const size_t line_end = line_ends_.From(start);
  const size_t comma = commas_.From(start);
  if (line_end == kNone) return Fault(FieldFault::kNoLineEnd, start);
  size_t end = 0;
  if (last) {
    if (comma < line_end) return Fault(FieldFault::kTooManyFields, start);
    value.assign(text_.substr(start, line_end - start));
    end = line_end + line_end_.size();
  } else {
    if (comma == kNone) return Fault(FieldFault::kNoComma, start);
    if (line_end < comma) return Fault(FieldFault::kLineEndsBeforeComma, start);
    value.assign(text_.substr(start, comma - start));
    end = comma + 1;
  }
  return {FieldFault::kNone, end, end};
}

}  // namespace quorax
