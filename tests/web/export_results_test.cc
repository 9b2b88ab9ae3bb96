#include "web/export_results.h"

#include <gtest/gtest.h>

#include <string>

#include "rows/csv.h"

namespace quorax {
namespace {

TEST(ExportResultsTextTest, EveryRowFollowsWithItsOutcomeCodeAndReasons) {
  CSV table;
  table.ProcessCSV("TCID,Notes\r\n1,ok\r\n2,\"say \"\"hi\"\"\"\r\n3,x\r\n4,y\r\n5,z\r\n");
  CSVRowErrors outcomes;
  const struct {
    int16_t code;
    const char* extra;
  } runs[] = {{0, "Imported successfully."}, {-34, ""}, {5, " note "}, {-259, "8: gone"}};
  for (int16_t row = 1; row <= 4; ++row) {
    outcomes.Add(row, runs[row - 1].code);
    outcomes.Item(row)->ExtraInfo = runs[row - 1].extra;
  }
  EXPECT_EQ(ExportResultsText(table.Rows(), outcomes),
            "\"TCID\",\"Notes\",\"Outcome\",\"Code\",\"Reasons\"\r\n"
            "\"1\",\"ok\",\"ok\",\"0\",\"Imported successfully.\"\r\n"
            "\"2\",\"say \"\"hi\"\"\",\"rejected\",\"-34\",\"TestcaseID does not exist.; "
            "Invalid result (not 'P', 'F' or 'U').\"\r\n"
            "\"3\",\"x\",\"ok\",\"5\",\"note\"\r\n"
            "\"4\",\"y\",\"database failure\",\"-259\",\"8: gone\"\r\n"
            "\"5\",\"z\",\"not processed\",\"\",\"\"\r\n");
}

}  // namespace
}  // namespace quorax
