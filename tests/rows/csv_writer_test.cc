#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "rows/csv.h"

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

}  // namespace
}  // namespace quorax
