#ifndef QUORAX_ROWS_CSV_TOKENIZER_H_
#define QUORAX_ROWS_CSV_TOKENIZER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorax {

// The line end of a CSV text: CR LF when the text holds one anywhere, else LF
// when it holds one, else empty (the text has no line end at all).
std::string_view DetectLineEnd(std::string_view text);

// Returns the position just after the record that starts at `start`: after
// its first `line_end` outside quotes, or text.size(). A field is quoted when
// it starts with a quote; inside it a doubled quote stands for one quote.
size_t RecordEnd(std::string_view text, size_t start, std::string_view line_end);

// Reads the record that starts at `start` into `fields` (replacing them) and
// returns the position just after it. Lenient, for text written by a CSV
// writer: a record ends at LF outside quotes, a CR just before that LF is
// dropped; a field opening with a quote runs to its closing quote ("" is one
// quote) and takes any text after it; an unclosed quote runs to the end.
// REQUIRES: start < text.size() (every non-empty rest holds a record).
size_t ReadRecord(std::string_view text, size_t start, std::vector<std::string>& fields);

// Every record of `text` by ReadRecord.
std::vector<std::vector<std::string>> ReadRecords(std::string_view text);

// Why a strict field scan failed. The values are the upload reader's field
// codes, which its callers report.
enum class FieldFault : int16_t {
  kNone = 0,
  kQuoteNeverClosed = -1,     // no closing quote
  kNothingAfterQuote = -2,    // no room for a delimiter after the closing quote
  kTextAfterLastQuoted = -3,  // a quoted last field not followed by the line end
  kTextAfterQuoted = -4,      // a quoted field not followed by a comma
  kNoLineEnd = -5,            // no line end follows, or the text ends where the field starts
  kTooManyFields = -6,        // a comma before the line end after the last field
  kNoComma = -7,              // no comma follows a field that is not the last
  kLineEndsBeforeComma = -8,  // the line ends before the comma of a field that is not the last
};

// The outcome of one strict field scan. Positions count from 0.
struct FieldScan {
  FieldFault fault = FieldFault::kNone;
  size_t end = 0;       // just after the field's delimiter (the comma or the line end)
  size_t consumed = 0;  // just after the last character the scan took as part of the field:
                        // its delimiter, or for a faulty quoted field its last quote read;
                        // the start for a faulty unquoted field
};

// Strict scanning of the fields of data rows, as the upload reader needs:
// every row has a fixed number of fields, each ends in a comma or, the last,
// in the line end; a quoted field is followed at once by its delimiter.
// Positions never moving backwards, a whole text is scanned in linear time.
class CsvTokenizer {
 public:
  // Keeps views of `text` and `line_end`, which must outlive the tokenizer.
  // REQUIRES: line_end is not empty.
  CsvTokenizer(std::string_view text, std::string_view line_end);

  // Reads the field at `start`, the last of its row when `last`. Sets
  // `value` to the decoded text, or empties it on a fault.
  FieldScan Field(size_t start, bool last, std::string& value);

 private:
  // The first occurrence of a pattern at or after a position, remembered
  // while later calls ask from positions before it.
  class ForwardSearch {
   public:
    ForwardSearch(std::string_view text, std::string_view pattern)
        : text_(text), pattern_(pattern) {}
    size_t From(size_t from);  // std::string_view::npos when there is none

   private:
    std::string_view text_;
    std::string_view pattern_;
    bool searched_ = false;
    size_t searched_from_ = 0;
    size_t found_ = 0;
  };

  FieldScan Quoted(size_t start, bool last, std::string& value);
  FieldScan Unquoted(size_t start, bool last, std::string& value);

  std::string_view text_;
  std::string_view line_end_;
  ForwardSearch line_ends_;
  ForwardSearch commas_;
};

}  // namespace quorax

#endif  // QUORAX_ROWS_CSV_TOKENIZER_H_
