#ifndef QUORAX_UPLOAD_FIELD_READER_H_
#define QUORAX_UPLOAD_FIELD_READER_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace quorax {

// Finds the first occurrence of a pattern at or after a position. The answer
// of the last search is reused while it still lies ahead, so a sequence of
// calls with positions that never move backwards scans the text once.
class ForwardSearch {
 public:
  ForwardSearch(std::string_view text, std::string_view pattern) : text_(text), pattern_(pattern) {}

  // Returns the 1-based position of the first occurrence at or after `from`
  // (from 1), or 0 when there is none.
  int16_t From(int16_t from);

 private:
  std::string_view text_;
  std::string_view pattern_;
  int16_t searched_from_ = 0;  // 0: nothing searched yet
  int16_t found_ = 0;
};

// Reads the fields of CSV data rows from a text. Positions count from 1 and
// are 16-bit; a position sum beyond 32767 raises Overflow.
class FieldReader {
 public:
  // Keeps views of `text` and `line_end`, which must outlive the reader.
  // Raises Overflow when `text` is longer than 32767 characters.
  FieldReader(std::string_view text, std::string_view line_end);

  int16_t Length() const { return length_; }

  // Reads the field starting at StartPos, which ends in "," or, when
  // IsLastField, in the line end. Returns the number of characters used
  // (delimiter included) and sets FieldText to the decoded text, or returns
  // a negative field code (-1..-8) with FieldText empty; a StartPos past the
  // end of the text is a field without a line end (-5).
  // REQUIRES: StartPos >= 1.
  int16_t ParseField(int16_t StartPos, bool IsLastField, std::string& FieldText);

 private:
  int16_t ParseQuoted(int16_t start, bool is_last, std::string& text);
  int16_t ParseUnquoted(int16_t start, bool is_last, std::string& text);
  char At(int16_t pos) const { return text_[static_cast<size_t>(pos) - 1]; }
  // The text from position `from` up to position `to`, both exclusive of
  // `to` and inclusive of `from`.
  std::string_view Between(int16_t from, int16_t to) const;

  std::string_view text_;
  std::string_view line_end_;
  int16_t length_;
  int16_t line_end_length_;
  ForwardSearch line_ends_;
  ForwardSearch commas_;
};

}  // namespace quorax

#endif  // QUORAX_UPLOAD_FIELD_READER_H_
