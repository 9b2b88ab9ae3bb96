#include "cli/file_text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/exit_status.h"
#include "upload/upload_text.h"

namespace quorax::cli {
namespace {

const std::string kMark = "\xEF\xBB\xBF";

TEST(FileTextTest, TheWholeFileDecidesItsEncodingAndAUtf8FileGainsTheMark) {
  // The UTF-8 sequence split by the reader's chunks, and a malformed byte
  // far from the first character beyond ASCII, both count.
  const std::string far = std::string(1 << 20, 'x') + "\n";
  const struct {
    std::string content;
    std::string mark;
    const char* encoding;
    const char* line_end;
  } cases[] = {
      {"N\r\ncaf\xE9\r\n", "", kWindows1252Encoding, "\r\n"},
      {"N\nplain\n", "", kWindows1252Encoding, "\n"},
      {"N\r\ncaf\xC3\xA9\r\n", kMark, kUtf8Encoding, "\r\n"},
      {kMark + "N\nplain\r\n", "", kUtf8Encoding, "\r\n"},
      {"N\n" + std::string((1 << 20) - 3, 'x') + "\xC3\xA9\n", kMark, kUtf8Encoding, "\n"},
      {"N\ncaf\xC3\xA9\n" + far + "caf\xE9\n", "", kWindows1252Encoding, "\n"},
  };
  for (const auto& c : cases) {
    std::istringstream file(c.content);
    const FileShape shape = ShapeOf(file);
    EXPECT_EQ(shape.mark, c.mark) << c.content.substr(0, 20);
    EXPECT_EQ(shape.encoding, c.encoding) << c.content.substr(0, 20);
    EXPECT_EQ(shape.line_end, c.line_end) << c.content.substr(0, 20);
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
  std::istringstream utf16("\xFF\xFEN\r\n");
  EXPECT_THROW(ShapeOf(utf16), CliFailure);
}

TEST(FileTextTest, EveryDataRowOfAMessageIsRenumberedToTheFilesRow) {
  EXPECT_EQ(FileRowsIn("data row 1, then data row 12; the header line, column 2", 501),
            "data row 501, then data row 512; the header line, column 2");
  EXPECT_EQ(FileRowsIn("no data row here", 501), "no data row here");
  EXPECT_EQ(FileRowsIn("data row 3", 1), "data row 3");
}

}  // namespace
}  // namespace quorax::cli
