#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/errors.h"
#include "rows/csv.h"

namespace quorax {
namespace {

// The cells of every row of `csv` up to GetRows().
std::vector<std::vector<std::string>> Rows(const CSV& csv) {
  std::vector<std::vector<std::string>> rows;
  for (int16_t r = 0; r < csv.GetRows(); ++r) {
    rows.emplace_back();
    for (int16_t c = 0; c < csv.GetCols(); ++c) rows.back().emplace_back(csv.Rows().Cell(r, c));
  }
  return rows;
}

using Table = std::vector<std::vector<std::string>>;

TEST(CSVReaderTest, CrLfAnywhereIsTheLineEndElseLf) {
  CSV crlf;
  EXPECT_EQ(crlf.ProcessCSV("a,b\nc\r\n1,x\ny\r\n"), 0);
  EXPECT_EQ(crlf.Rows().ColumnName(1), "b\nc");
  EXPECT_EQ(Rows(crlf), (Table{{"1", "x\ny"}}));
  EXPECT_EQ(crlf.Rows().Origin(0), (RowOrigin{1, 3, ""}));

  CSV lf;
  EXPECT_EQ(lf.ProcessCSV("a,b\n1,x\ry\n3,\"4\n5\"\n"), 0);
  EXPECT_EQ(Rows(lf), (Table{{"1", "x\ry"}, {"3", "4\n5"}}));
  EXPECT_EQ(lf.Rows().Origin(1), (RowOrigin{2, 3, ""}));

  CSV none;
  none.ProcessCSV("a,b\r\n1,2\r\n");
  EXPECT_EQ(none.ProcessCSV("a,b,c"), -2);
  EXPECT_EQ(none.GetCols(), 2);
  EXPECT_EQ(none.GetRows(), 1);
}

TEST(CSVReaderTest, HeaderLineIsSplitWithoutQuoteProcessing) {
  CSV csv;
  EXPECT_EQ(csv.ProcessCSV("\"TC,ID\", x ,\r\n   \r\n"), -3);
  EXPECT_EQ(csv.GetCols(), 4);
  EXPECT_EQ(csv.GetRows(), 0);
  EXPECT_EQ(csv.Rows().ColumnName(0), "\"TC");
  EXPECT_EQ(csv.Rows().ColumnName(1), "ID\"");
  EXPECT_EQ(csv.Rows().ColumnName(2), " x ");
  EXPECT_EQ(csv.Rows().ColumnName(3), "");
  EXPECT_THROW(csv.Rows().ColumnName(4), SubscriptOutOfRange);
}

TEST(CSVReaderTest, QuotedFieldsHoldCommasQuotesAndLineBreaks) {
  CSV csv;
  EXPECT_EQ(csv.ProcessCSV("a,b,c\r\n\"x,\"\"y\"\"\r\nz\",\"\", \"q\"\r\n"), 0);
  EXPECT_EQ(Rows(csv), (Table{{"x,\"y\"\r\nz", "", " \"q\""}}));
}

TEST(CSVReaderTest, EachFieldFaultStopsAtItsRowAndKeepsEarlierRows) {
  const std::string head = "a,b\n1,2\n";
  const std::vector<std::string> faulty_rows = {
      "\"open,2\n",  // -1: no closing quote
      "1,\"2\"",     // -2: nothing follows the closing quote
      "1,\"2\"x\n",  // -3: last quoted field not followed by the line end
      "\"1\"x,2\n",  // -4: quoted field not followed by a comma
      "1,2",         // -5: no line end after the last field
      "\"1\",",      // -5: the text ends where the last field would start
      "1,2,3\n",     // -6: more fields than columns
      "1\n",         // -7: no further comma at all
      "1\n2,3\n",    // -8: the line ends before the next comma
      "\n3,4\n",     // an empty line between rows
  };
  for (const std::string& row : faulty_rows) {
    CSV csv;
    EXPECT_EQ(csv.ProcessCSV(head + row), -3) << row;
    EXPECT_EQ(Rows(csv), (Table{{"1", "2"}})) << row;
  }
}

TEST(CSVReaderTest, EndOfTextCases) {
  CSV stray;
  EXPECT_EQ(stray.ProcessCSV("a\r\n1\r\n\n"), 0);
  EXPECT_EQ(Rows(stray), (Table{{"1"}}));

  CSV single_column;  // with one column an empty line is an empty row
  EXPECT_EQ(single_column.ProcessCSV("a\n1\n\n2\n"), 0);
  EXPECT_EQ(Rows(single_column), (Table{{"1"}, {""}, {"2"}}));
}

TEST(CSVReaderTest, RowsHoldNoSpareAndNoFaultyRow) {
  CSV complete;
  ASSERT_EQ(complete.ProcessCSV("a,b\r\n1,2\r\n3,4\r\n"), 0);
  EXPECT_THROW(complete.Rows().Cell(0, 2), SubscriptOutOfRange);
  EXPECT_THROW(complete.Rows().Cell(2, 0), SubscriptOutOfRange);
  EXPECT_THROW(complete.Rows().Cell(0, -1), SubscriptOutOfRange);

  CSV failed;
  ASSERT_EQ(failed.ProcessCSV("a,b,c\r\n1,2,3\r\n4,5\r\n"), -3);
  EXPECT_EQ(failed.Rows().RowCount(), 1);

  CSV fresh;
  EXPECT_EQ(fresh.GetRows(), 0);
  EXPECT_EQ(fresh.GetCols(), 0);
}

// Data and Headers take exactly their index ranges: the spare column, the
// spare row (holding the cells read of the row that stopped a parse), the
// 2 x 2 cells of a table no data row was looked at for, nothing beyond.
TEST(CSVReaderTest, DataAndHeadersTakeTheirIndexRangesWithTheSpares) {
  const struct {
    const char* text;  // nullptr: never parsed
    int16_t code;
    int32_t headers, columns, rows;  // the sizes of the index ranges
    std::vector<std::string> spare;  // the spare row's first cells
  } cases[] = {
      {nullptr, 0, 2, 2, 2, {"", ""}},
      {"a,b\r\n1,2\r\n3,4\r\n", 0, 3, 3, 3, {"", "", ""}},
      {"a,b,c\r\n1,2,3\r\n4,\"5\r\n", -3, 4, 4, 2, {"4", "", "", ""}},
      {"a,b\r\nx\r\n", -3, 3, 3, 1, {"", "", ""}},
      {"a,b\r\n  ", -3, 3, 2, 2, {"", ""}},
      {"a,b\r\nx", 0, 3, 3, 2, {"", "", ""}},
      {"a,b", -2, 2, 2, 2, {"", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text == nullptr ? "never parsed" : c.text);
    CSV csv;
    if (c.text != nullptr) {
      EXPECT_EQ(csv.ProcessCSV(c.text), c.code);
    }
    EXPECT_EQ(csv.Headers(c.headers - 1), "");
    EXPECT_THROW(csv.Headers(c.headers), SubscriptOutOfRange);
    EXPECT_THROW(csv.Headers(-1), SubscriptOutOfRange);
    EXPECT_EQ(csv.Data(c.columns - 1, c.rows - 1), "");
    EXPECT_THROW(csv.Data(c.columns, 0), SubscriptOutOfRange);
    EXPECT_THROW(csv.Data(0, c.rows), SubscriptOutOfRange);
    EXPECT_THROW(csv.Data(-1, 0), SubscriptOutOfRange);
    for (size_t col = 0; col < c.spare.size(); ++col) {
      EXPECT_EQ(csv.Data(static_cast<int32_t>(col), c.rows - 1), c.spare[col]) << col;
    }
  }
  CSV csv;
  csv.ProcessCSV("a,b\r\n1,2\r\n");
  EXPECT_EQ(csv.Headers(1), "b");
  EXPECT_EQ(csv.Data(1, 0), "2");
}

TEST(CSVReaderTest, SixteenBitLimits) {
  CSV csv;
  EXPECT_EQ(csv.ProcessCSV(std::string(32766, 'h') + "\n"), -3);
  EXPECT_THROW(csv.ProcessCSV(std::string(32767, 'h') + "\n"), Overflow);
  EXPECT_EQ(csv.ProcessCSV("a\n" + std::string(32765, 'x') + "\n"), 0);
  EXPECT_THROW(csv.ProcessCSV("a\n" + std::string(32767, 'x') + "\n"), Overflow);
  EXPECT_EQ(csv.ProcessCSV("a\n" + std::string(40000, ' ')), -3);
  EXPECT_EQ(csv.ProcessCSV(std::string(32766, ',') + "\n"), -3);
  EXPECT_EQ(csv.GetCols(), 32767);
}

TEST(CSVReaderTest, ReadCSVReadsTheFileBytes) {
  CSV csv;
  EXPECT_EQ(csv.ReadCSV(QUORAX_SOURCE_DIR "/no/such/file.csv"), -1);
  std::string path = ::testing::TempDir() + "upload_read_csv_test.csv";
  {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("h\xe9\r\nv\xe4lue\r\n", file);
    std::fclose(file);
  }
  EXPECT_EQ(csv.ReadCSV(path), 0);
  EXPECT_EQ(csv.Rows().ColumnName(0), "h\xe9");
  EXPECT_EQ(csv.Rows().Cell(0, 0), "v\xe4lue");
  std::fclose(std::fopen(path.c_str(), "wb"));
  EXPECT_EQ(csv.ReadCSV(path), -2);
  std::remove(path.c_str());
  EXPECT_THROW(csv.ReadCSV(::testing::TempDir()), PlatformFailure);
}

}  // namespace
}  // namespace quorax
