#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "upload/csv.h"
#include "upload/general.h"

namespace quorax {
namespace {

TEST(CSVWriterTest, QuotesEveryFieldAndEndsLinesWithCrLf) {
  CSV csv;
  ASSERT_EQ(csv.ProcessCSV("\"TCID\",Date,\n1,\"say \"\"hi\"\"\",\n,,\n"), 0);
  EXPECT_EQ(csv.ExportHeaders(), "\"\"\"TCID\"\"\",\"Date\",\"\"\r\n");
  EXPECT_EQ(csv.ExportRow(0), "\"1\",\"say \"\"hi\"\"\",\"\"\r\n");
  EXPECT_EQ(csv.ExportData(), csv.ExportRow(0) + "\"\",\"\",\"\"\r\n");
  EXPECT_EQ(csv.ExportRow(2), "");
  EXPECT_THROW(csv.ExportRow(-1), SubscriptOutOfRange);
}

TEST(CSVWriterTest, EmptyTableExportsNothing) {
  CSV csv;
  EXPECT_EQ(csv.ExportHeaders(), "");
  EXPECT_EQ(csv.ExportRow(0), "");
  EXPECT_EQ(csv.ExportData(), "");
}

TEST(EscapeCharsTest, PrefixesEachCharacterInTurnOnTheGrowingText) {
  EXPECT_EQ(General::EscapeChars("it's \"x\"", "\"", "\""), "it's \"\"x\"\"");
  EXPECT_EQ(General::EscapeChars("it's", "'", "'"), "it''s");
  EXPECT_EQ(General::EscapeChars("a-b+c", "\\", "-+"), "a\\-b\\+c");
  // The prefix added for '+' is itself escaped when '\' comes later.
  EXPECT_EQ(General::EscapeChars("a+b", "\\", "+\\"), "a\\\\+b");
  EXPECT_EQ(General::EscapeChars("abc", "", "b"), "abc");
}

}  // namespace
}  // namespace quorax
