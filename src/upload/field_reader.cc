#include "upload/field_reader.h"

#include <cassert>

#include "common/int16.h"

namespace quorax {
namespace {

constexpr char kQuote = '"';

}  // namespace

int16_t ForwardSearch::From(int16_t from) {
  bool still_ahead = found_ == 0 || found_ >= from;
  if (searched_from_ == 0 || searched_from_ > from || !still_ahead) {
    size_t start = static_cast<size_t>(from) - 1;
    size_t at = pattern_.size() == 1 ? text_.find(pattern_[0], start) : text_.find(pattern_, start);
    searched_from_ = from;
    found_ = at == std::string_view::npos ? 0 : static_cast<int16_t>(at + 1);
  }
  return found_;
}

FieldReader::FieldReader(std::string_view text, std::string_view line_end)
    : text_(text),
      line_end_(line_end),
      length_(ToInt16(static_cast<int64_t>(text.size()), "the length of the CSV data rows")),
      line_end_length_(static_cast<int16_t>(line_end.size())),
      line_ends_(text, line_end),
      commas_(text, ",") {}

std::string_view FieldReader::Between(int16_t from, int16_t to) const {
  return text_.substr(static_cast<size_t>(from) - 1, static_cast<size_t>(to - from));
}

int16_t FieldReader::ParseField(int16_t StartPos, bool IsLastField, std::string& FieldText) {
  assert(StartPos >= 1);
  FieldText.clear();
  // A row can end its text right after a comma: no character is left for the
  // next field, and so no line end follows it.
  if (StartPos > length_) return -5;
  int16_t end = At(StartPos) == kQuote ? ParseQuoted(StartPos, IsLastField, FieldText)
                                       : ParseUnquoted(StartPos, IsLastField, FieldText);
  if (end < 0) return end;
  return Sub16(end, StartPos, "a CSV field length");
}

// Returns the position after the field's delimiter, or a code -1..-4.
// Sets `text` only on success.
int16_t FieldReader::ParseQuoted(int16_t start, bool is_last, std::string& text) {
  std::string acc;
  int16_t p = start;
  int16_t q = start;
  for (;;) {
    size_t quote = text_.find(kQuote, static_cast<size_t>(Add16(p, 1, "a CSV position")) - 1);
    if (quote == std::string_view::npos) return -1;
    p = static_cast<int16_t>(quote + 1);
    acc.append(Between(Add16(q, 1, "a CSV position"), p));
    p = Add16(p, 1, "a CSV position");
    if (p > length_ - line_end_length_ + 1) return -2;
    if (At(p) != kQuote) break;
    acc += kQuote;
    q = p;
  }
  if (is_last) {
    if (text_.substr(static_cast<size_t>(p) - 1, line_end_.size()) != line_end_) return -3;
    p = Add16(p, line_end_length_, "a CSV position");
  } else {
    if (At(p) != ',') return -4;
    p = Add16(p, 1, "a CSV position");
  }
  text = std::move(acc);
  return p;
}

// Returns the position after the field's delimiter, or a code -5..-8.
// Sets `text` only on success.
int16_t FieldReader::ParseUnquoted(int16_t start, bool is_last, std::string& text) {
  int16_t e = line_ends_.From(start);
  int16_t k = commas_.From(start);
  if (e == 0) return -5;
  if (is_last) {
    if (k > 0 && k < e) return -6;
    int16_t next = Add16(e, line_end_length_, "a CSV position");
    text.assign(Between(start, e));
    return next;
  }
  if (k == 0) return -7;
  if (e < k) return -8;
  int16_t next = Add16(k, 1, "a CSV position");
  text.assign(Between(start, k));
  return next;
}

}  // namespace quorax
