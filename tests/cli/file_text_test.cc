#include "cli/file_text.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/exit_status.h"
#include "upload/upload_text.h"

namespace quorax::cli {
namespace {

const std::string kMark = "\xEF\xBB\xBF";

TEST(FileTextTest, AUtf8FileAlwaysStartsWithTheMarkAndOtherFilesStayAsTheyAre) {
  const struct {
    std::string content;
    std::string bytes;
    const char* encoding;
  } cases[] = {
      {"N\r\ncaf\xE9\r\n", "N\r\ncaf\xE9\r\n", kWindows1252Encoding},
      {"N\r\nplain\r\n", "N\r\nplain\r\n", kWindows1252Encoding},
      {"N\r\ncaf\xC3\xA9\r\n", kMark + "N\r\ncaf\xC3\xA9\r\n", kUtf8Encoding},
      {kMark + "N\r\nplain\r\n", kMark + "N\r\nplain\r\n", kUtf8Encoding},
  };
  for (const auto& c : cases) {
    const FileText file = PrepareFile(c.content);
    EXPECT_EQ(file.bytes, c.bytes) << c.content;
    EXPECT_EQ(file.encoding, c.encoding) << c.content;
  }
}

TEST(FileTextTest, ACharacterWithoutAWindows1252ByteIsRefusedAtTheFilesRow) {
  const std::string piece = kMark + "N,Notes\r\n1,ok\r\n2,\xC5\x82\r\n";
  EXPECT_EQ(DecodePiece(piece.substr(0, 18), 1001), "N,Notes\r\n1,ok\r\n");
  try {
    DecodePiece(piece, 1001);
    FAIL() << "the piece was accepted";
  } catch (const CliFailure& e) {
    EXPECT_EQ(e.status(), kBadUsage);
    EXPECT_NE(std::string(e.what()).find("in data row 1002, column 2."), std::string::npos)
        << e.what();
  }
  EXPECT_THROW(PrepareFile("N\r\n\xC5\x82\r\n"), CliFailure);
}

TEST(FileTextTest, EveryDataRowOfAMessageIsRenumberedToTheFilesRow) {
  EXPECT_EQ(FileRowsIn("data row 1, then data row 12; the header line, column 2", 501),
            "data row 501, then data row 512; the header line, column 2");
  EXPECT_EQ(FileRowsIn("no data row here", 501), "no data row here");
  EXPECT_EQ(FileRowsIn("data row 3", 1), "data row 3");
}

}  // namespace
}  // namespace quorax::cli
