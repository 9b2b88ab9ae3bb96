#include "outcomes/csv_row_error.h"

#include <gtest/gtest.h>

namespace quorax {
namespace {

std::string Describe(int16_t code, const std::string& extra = "") {
  CSVRowError outcome;
  outcome.ErrorNumber = code;
  outcome.ExtraInfo = extra;
  return outcome.GetDescription();
}

TEST(CSVRowErrorTest, StartsEmpty) {
  CSVRowError outcome;
  EXPECT_EQ(outcome.RowNumber, 0);
  EXPECT_EQ(outcome.ErrorNumber, 0);
  EXPECT_EQ(outcome.ExtraInfo, "");
  EXPECT_EQ(outcome.GetDescription(), "");
}

TEST(CSVRowErrorTest, RejectedRowListsItsFlagsInOrder) {
  EXPECT_EQ(Describe(-6), "(-6)\r\nTestcaseID does not exist.\r\nTestDate is in the future.\r\n");
  EXPECT_EQ(Describe(-33),
            "(-33)\r\nMissing parameter or NULL passed in a required field.\r\n"
            "Invalid result (not 'P', 'F' or 'U').\r\n");
}

TEST(CSVRowErrorTest, AllEightFlagsAtMinus255) {
  EXPECT_EQ(Describe(-255),
            "(-255)\r\n"
            "Missing parameter or NULL passed in a required field.\r\n"
            "TestcaseID does not exist.\r\n"
            "TestDate is in the future.\r\n"
            "Version was not found.\r\n"
            "Platform/Browser combination invalid for the area that the test case is in.\r\n"
            "Invalid result (not 'P', 'F' or 'U').\r\n"
            "Tester not found.\r\n"
            "Entry possibly exists. Manual verification and entry required.\r\n");
}

TEST(CSVRowErrorTest, DatabaseFailureGivesOnlyTheDatabasesText) {
  EXPECT_EQ(Describe(-256), "(-256)\r\n");
  EXPECT_EQ(Describe(-257, " 08001:server closed the connection "),
            "(-257)\r\n08001:server closed the connection\r\n");
  EXPECT_EQ(Describe(-32768), "(-32768)\r\n");
}

TEST(CSVRowErrorTest, ExtraInfoIsTrimmedOfSpacesOnly) {
  EXPECT_EQ(Describe(0, "Verified successfully."), "Verified successfully.\r\n");
  EXPECT_EQ(Describe(0, "  Imported successfully.  "), "Imported successfully.\r\n");
  EXPECT_EQ(Describe(0, "     "), "");
  EXPECT_EQ(Describe(0, "\tnote\t"), "\tnote\t\r\n");
}

TEST(CSVRowErrorTest, PositiveCodeDescribesOnlyItsExtraInfo) {
  EXPECT_EQ(Describe(7), "");
  EXPECT_EQ(Describe(7, "x"), "x\r\n");
}

}  // namespace
}  // namespace quorax
