#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/test_database.h"
#include "rows/csv.h"
#include "tcdb/tcdb.h"
#include "tcdb/tcdb_fixture.h"

namespace quorax {
namespace {

// The sample upload files verify as their names promise against the demo data.
class ExamplesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QUORAX_REQUIRE_DATABASE();
    ASSERT_EQ(db_.Connect(testdb::Dsn(), "demo", "demo"), 0);
  }

  // The verdict of every data row of the example file `name`.
  std::vector<int16_t> Verdicts(const std::string& name) {
    CSV csv;
    EXPECT_EQ(csv.ReadCSV(QUORAX_SOURCE_DIR "/examples/" + name), 0);
    std::vector<int16_t> verdicts;
    for (int16_t r = 0; r < csv.GetRows(); ++r) {
      ResultRow row;
      for (int32_t c = 0; c < kResultColumnCount; ++c) {
        row.*kResultColumns[static_cast<size_t>(c)].Cell = csv.Rows().Cell(r, c);
      }
      verdicts.push_back(db_.VerifyResult(row));
    }
    return verdicts;
  }

  TCDB db_;
};

TEST_F(ExamplesTest, GoodFileVerifiesCleanly) {
  EXPECT_EQ(Verdicts("good.csv"), std::vector<int16_t>(8, 0));
}

TEST_F(ExamplesTest, MixedFileMeetsEveryFlag) {
  EXPECT_EQ(Verdicts("mixed.csv"),
            (std::vector<int16_t>{0, -1, -2, -4, -8, -16, -32, -64, -128, -109, 0}));
}

}  // namespace
}  // namespace quorax
