#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/errors.h"
#include "rows/row_table.h"

namespace quorax {
namespace {

// Offsets are 32-bit: cells past 64 KiB of text keep their values, and every
// row keeps its own origin.
TEST(RowTableTest, CellsAndOriginsPastSixtyFourKibibytes) {
  RowTable table({"TCID", "Notes"});
  const std::string long_note(70000, 'n');
  for (int32_t i = 0; i < 3; ++i) {
    const std::vector<std::string> cells = {std::to_string(i), long_note + std::to_string(i)};
    table.AddRow(cells, {i + 1, 2 * i + 2, i == 1 ? "suite.test_C2" : ""});
  }
  ASSERT_EQ(table.RowCount(), 3);
  EXPECT_EQ(table.Cell(2, 0), "2");
  EXPECT_EQ(table.Cell(2, 1), long_note + "2");
  EXPECT_EQ(table.Origin(0), (RowOrigin{1, 2, ""}));
  EXPECT_EQ(table.Origin(1), (RowOrigin{2, 4, "suite.test_C2"}));
  EXPECT_EQ(table.Origin(2), (RowOrigin{3, 6, ""}));
  EXPECT_THROW(table.Cell(3, 0), SubscriptOutOfRange);
  EXPECT_THROW(table.Cell(0, 2), SubscriptOutOfRange);
  EXPECT_THROW(table.AddRow(std::vector<std::string>{"1"}, {}), InvalidArgument);
  EXPECT_EQ(table.RowCount(), 3);
}

}  // namespace
}  // namespace quorax
