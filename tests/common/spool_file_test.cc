#include "common/spool_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/errors.h"
#include "testing/temp_dir.h"

namespace quorax {
namespace {

// The budget holds to the byte across files, a refused append leaves its
// file as it was, a file that goes gives its bytes back, and no refusal
// names the folder.
TEST(SpoolFileTest, BudgetCountsEveryLiveFileToTheByte) {
  testkit::TempDir dir;
  ConfigureSpool(dir.root().string(), 10);
  auto first = std::make_unique<SpoolFile>();
  first->Append("12345678");
  SpoolFile second;
  try {
    second.Append("123");
    ADD_FAILURE() << "an append past the budget was taken";
  } catch (const SpoolFull& full) {
    EXPECT_EQ(std::string(full.what()).find(dir.root().string()), std::string::npos);
  }
  EXPECT_EQ(second.size(), 0u);
  second.Append("12");
  EXPECT_EQ(SpooledBytes(), 10u);
  EXPECT_THROW(SpoolFile(1), SpoolFull);
  first.reset();
  EXPECT_NO_THROW(SpoolFile(8));
  second.Append("123");
  EXPECT_EQ(SpooledBytes(), 5u);
  EXPECT_EQ(second.size(), 5u);
  ConfigureSpool("", kDefaultSpoolBytes);
}

}  // namespace
}  // namespace quorax
