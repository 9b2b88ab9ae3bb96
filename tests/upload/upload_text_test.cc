#include "upload/upload_text.h"

#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "rows/csv.h"

namespace quorax {
namespace {

TEST(UploadTextTest, EveryRowHoldingDataReachesTheReaderAndNothingElse) {
  struct Case {
    std::string text, completed;
  };
  const Case cases[] = {
      {"a,b\n1,2\n3,4\n", "a,b\n1,2\n3,4\n"},
      {"a,b\n1,2\n3,4\n\n", "a,b\n1,2\n3,4\n"},                  // one blank line
      {"a,b\r\n1,2\r\n  \r\n\t\r\n", "a,b\r\n1,2\r\n"},          // lines of spaces and tabs
      {"a,b\n1,2\n3,4\n  ", "a,b\n1,2\n3,4\n"},                  // spaces after the last line end
      {"a,b\n1,2\n3,4", "a,b\n1,2\n3,4\n"},                      // no final line end
      {"a,b\r\n1,2\r\n3,4 \n", "a,b\r\n1,2\r\n3,4 \r\n"},        // a stray LF; the space is data
      {"a,b\r\n1,\"x\r\n\r\n\"", "a,b\r\n1,\"x\r\n\r\n\"\r\n"},  // blank lines inside quotes
      {"a,b\n1,2\n\n3,4\n", "a,b\n1,2\n\n3,4\n"},                // a blank line inside stays
      {"a,b\n \n", "a,b\n"},                                     // header only
      {"a,b", "a,b"},                                            // no line end at all
      {" \n\n", " \n\n"},
      {"a,b\r\n1,2\r\n\x1A", "a,b\r\n1,2\r\n"},  // an end-of-file mark
      {"a,b\n1,2\n\x1A \x1A\t", "a,b\n1,2\n"},
      {"a,b\n\x1A", "a,b\n"},
      {"a,b\n1,2\n,\x1A", "a,b\n1,2\n,\x1A\n"},  // a field separator: a row
      {"a\n1\n2", "a\n1\n2\n"},                  // a last row of one character
  };
  for (const Case& c : cases) EXPECT_EQ(CompleteLastLine(c.text), c.completed) << c.text;

  CSV csv;
  EXPECT_EQ(csv.ProcessCSV(CompleteLastLine("a,b\n1,2\n3,4")), 0);
  EXPECT_EQ(csv.GetRows(), 2);
}

TEST(UploadTextTest, Utf8FilesBecomeWindows1252AndOthersStayAsTheyAre) {
  struct Case {
    std::string bytes, text, encoding;
  };
  const Case cases[] = {
      {"n\nJos\xC3\xA9 \xE2\x82\xAC\n", "n\nJos\xE9 \x80\n", kUtf8Encoding},
      {"\xEF\xBB\xBFn\nJos\xC3\xA9\n", "n\nJos\xE9\n", kUtf8Encoding},
      {"\xEF\xBB\xBFn\nJose\n", "n\nJose\n", kUtf8Encoding},  // the mark alone decides
      {"n\nJos\xE9\n", "n\nJos\xE9\n", kWindows1252Encoding},
      {"n\nJos\xC3\xA9 \xE9\n", "n\nJos\xC3\xA9 \xE9\n", kWindows1252Encoding},  // not UTF-8
      {"n\nJose\n", "n\nJose\n", kWindows1252Encoding},
  };
  for (const Case& c : cases) {
    const UploadText decoded = DecodeUpload(c.bytes);
    EXPECT_EQ(decoded.Text, c.text) << c.bytes;
    EXPECT_EQ(decoded.Encoding, c.encoding) << c.bytes;
  }
}

TEST(UploadTextTest, RefusedFilesNameWhereTheyFail) {
  struct Case {
    std::string bytes, message_part;
  };
  const Case cases[] = {
      {"a,b\n1,\"x,\xC5\x82\"\n", "cannot store in data row 1, column 2"},
      {"a,b\r\n1,2\r\n3,\xE4\xB8\xAD\r\n", "cannot store in data row 2, column 2"},
      {"\xEF\xBB\xBF"
       "a,\xE9\n",
       "not valid UTF-8 in the header line, column 2"},
      {"\xFF\xFE"
       "a\0,\0",
       "UTF-16"},
      {"\xFE\xFF\0a\0,", "UTF-16"},
  };
  for (const Case& c : cases) {
    try {
      DecodeUpload(c.bytes);
      ADD_FAILURE() << "accepted " << c.bytes;
    } catch (const InvalidArgument& e) {
      EXPECT_NE(std::string(e.what()).find(c.message_part), std::string::npos) << e.what();
    }
  }
}

TEST(UploadTextTest, DownloadsGoBackInTheUploadsEncoding) {
  EXPECT_EQ(EncodeDownload("\"Jos\xE9\"\r\n", kUtf8Encoding), "\xEF\xBB\xBF\"Jos\xC3\xA9\"\r\n");
  EXPECT_EQ(EncodeDownload("\"Jos\xE9\"\r\n", kWindows1252Encoding), "\"Jos\xE9\"\r\n");
  EXPECT_EQ(EncodeDownload("x", ""), "x");
}

}  // namespace
}  // namespace quorax
