#include "cli/pieces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/exit_status.h"

namespace quorax::cli {
namespace {

struct SplitCase {
  const char* name;
  std::string content;
  size_t max_bytes;
  std::vector<std::string> pieces;  // expected texts
};

TEST(SplitIntoPiecesTest, CutsOnlyAtRowEndsAndRepeatsTheHeader) {
  const std::vector<SplitCase> cases = {
      {"one piece", "H\r\n1\r\n2\r\n", 100, {"H\r\n1\r\n2\r\n"}},
      {"each row alone", "H\n1\n2\n", 4, {"H\n1\n", "H\n2\n"}},
      // The quoted line break lies exactly where a cut by size would fall.
      {"quoted line break",
       "H\r\n\"a\r\nb\",c\r\nd\r\n",
       15,
       {"H\r\n\"a\r\nb\",c\r\n", "H\r\nd\r\n"}},
      {"doubled quote stays quoted", "H\n\"x\"\"\ny\"\nz\n", 11, {"H\n\"x\"\"\ny\"\n", "H\nz\n"}},
      {"quote inside an unquoted field", "H\nab\"c\nd\n", 8, {"H\nab\"c\n", "H\nd\n"}},
      {"last row gets a line end", "H\r\n1\r\n2", 100, {"H\r\n1\r\n2\r\n"}},
      {"blank lines at the end", "H\n1\n\n \n", 100, {"H\n1\n"}},
      {"header only", "H\r\n", 100, {}},
      {"end-of-file mark", "H\r\n1\r\n\x1A", 100, {"H\r\n1\r\n"}},
  };
  for (const SplitCase& c : cases) {
    std::vector<std::string> texts;
    int32_t next_row = 1;
    for (const Piece& piece : SplitIntoPieces(c.content, c.max_bytes)) {
      EXPECT_LE(piece.text.size(), c.max_bytes) << c.name;
      EXPECT_EQ(piece.first_row, next_row) << c.name;
      next_row += piece.rows;
      texts.push_back(piece.text);
    }
    EXPECT_EQ(texts, c.pieces) << c.name;
  }
}

// A file many times the reader's buffer, with quoted line breaks, comes
// back whole from its pieces: nothing lost or doubled where a read ends.
TEST(SplitIntoPiecesTest, PiecesOfALargeFileHoldEveryRowOnce) {
  const std::string header = "TCID,Notes\r\n";
  std::string content = header;
  for (int row = 1; row <= 40000; ++row) {
    content += std::to_string(row) + (row % 7 == 0 ? ",\"two\r\nlines\"\r\n" : ",note\r\n");
  }
  std::string rows;
  int32_t count = 0;
  for (const Piece& piece : SplitIntoPieces(content, 32767)) {
    ASSERT_LE(piece.text.size(), 32767u);
    ASSERT_EQ(piece.text.substr(0, header.size()), header);
    EXPECT_EQ(piece.first_row, count + 1);
    rows += piece.text.substr(header.size());
    count += piece.rows;
  }
  EXPECT_EQ(count, 40000);
  EXPECT_EQ(header + rows, content);
}

TEST(SplitIntoPiecesTest, RefusesAFileWithoutLineEndOrARowTooLargeForAPiece) {
  for (const auto& [content, max_bytes] :
       std::vector<std::pair<std::string, size_t>>{{"H,1,2", 100}, {"H\n1\n123456\n", 8}}) {
    try {
      SplitIntoPieces(content, max_bytes);
      ADD_FAILURE() << content;
    } catch (const CliFailure& e) {
      EXPECT_EQ(e.status(), kBadUsage);
    }
  }
}

}  // namespace
}  // namespace quorax::cli
