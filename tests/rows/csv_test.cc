#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rows/csv_tokenizer.h"
#include "rows/csv_writer.h"

namespace quorax {
namespace {

using Records = std::vector<std::vector<std::string>>;

// Lenient record reading, and what the writer writes reads back unchanged.
TEST(CsvTest, RecordsReadAsWrittenAndRoundTrip) {
  const struct {
    std::string text;
    Records records;
  } cases[] = {
      {"a,b\r\n1,2\n", {{"a", "b"}, {"1", "2"}}},
      {"\"x,\"\"y\"\"\r\nz\",\"\"\r\n", {{"x,\"y\"\r\nz", ""}}},
      {"a\rb,\"q\"tail,c\"d\n,\n", {{"a\rb", "qtail", "c\"d"}, {"", ""}}},
      {"\n\"open,\n", {{""}, {"open,\n"}}},  // an unclosed quote runs to the end
      {"last", {{"last"}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadRecords(c.text), c.records) << c.text;
    std::string written;
    for (const std::vector<std::string>& record : c.records) AppendCsvRecord(written, record);
    EXPECT_EQ(ReadRecords(written), c.records) << written;
  }
  std::string line;
  AppendCsvRecord(line, std::vector<std::string_view>{"say \"hi\"", ""});
  EXPECT_EQ(line, "\"say \"\"hi\"\"\",\"\"\r\n");
}

TEST(CsvTest, RecordEndsOutsideQuotesAtTheGivenLineEnd) {
  const struct {
    std::string text;
    size_t start;
    std::string line_end;
    size_t end;
  } cases[] = {
      {"1,2\r\n3\r\n", 0, "\r\n", 5},
      {"1,2\r\n3\r\n", 5, "\r\n", 8},
      {"1,\"a\r\nb\"\"\r\n\",2\r\nx", 0, "\r\n", 16},
      {"1,x\"\n\"\n", 0, "\n", 5},  // a quote inside a field opens nothing
      {"\"never closed\n", 0, "\n", 14},
      {"a\nb\r\n", 0, "\r\n", 5},
  };
  for (const auto& c : cases) EXPECT_EQ(RecordEnd(c.text, c.start, c.line_end), c.end) << c.text;
  EXPECT_EQ(DetectLineEnd("a\nb\r\n"), "\r\n");
  EXPECT_EQ(DetectLineEnd("a\nb"), "\n");
  EXPECT_EQ(DetectLineEnd("a\rb"), "");
}

// Each strict field: its value or fault, where it ends and how far it read.
TEST(CsvTest, StrictFieldsReportTheirFaultAndExtent) {
  const struct {
    std::string text;
    bool last;
    FieldFault fault;
    std::string value;
    size_t end;
    size_t consumed;
  } cases[] = {
      {"ab,c\n", false, FieldFault::kNone, "ab", 3, 3},
      {"ab\r\n", true, FieldFault::kNone, "ab", 4, 4},
      {"\"a,\"\"b\r\n\",x\r\n", false, FieldFault::kNone, "a,\"b\r\n", 10, 10},
      {"\"a\"\r\n", true, FieldFault::kNone, "a", 5, 5},
      {"\"open,\r\n", false, FieldFault::kQuoteNeverClosed, "", 0, 1},
      {"\"a\"\"\r\n", true, FieldFault::kQuoteNeverClosed, "", 0, 4},
      {"\"a\"\r", true, FieldFault::kNothingAfterQuote, "", 0, 3},
      {"\"a\"x\r\n", true, FieldFault::kTextAfterLastQuoted, "", 0, 3},
      {"\"a\"x,\r\n", false, FieldFault::kTextAfterQuoted, "", 0, 3},
      {"ab", true, FieldFault::kNoLineEnd, "", 0, 0},
      {"a,b\r\n", true, FieldFault::kTooManyFields, "", 0, 0},
      {"a\r\n", false, FieldFault::kNoComma, "", 0, 0},
      {"a\r\nb,", false, FieldFault::kLineEndsBeforeComma, "", 0, 0},
  };
  for (const auto& c : cases) {
    CsvTokenizer tokenizer(c.text, DetectLineEnd(c.text).empty() ? "\r\n" : DetectLineEnd(c.text));
    std::string value = "stale";
    const FieldScan scan = tokenizer.Field(0, c.last, value);
    EXPECT_EQ(scan.fault, c.fault) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(scan.end, c.end) << c.text;
    EXPECT_EQ(scan.consumed, c.consumed) << c.text;
  }
}

}  // namespace
}  // namespace quorax
