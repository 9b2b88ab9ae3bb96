#include "support/config.h"

#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "testing/temp_dir.h"

namespace quorax {
namespace {

class ConfigTest : public ::testing::Test {
 protected:
  // Loads `bytes` as a settings file; returns Load's result.
  int16_t LoadText(const std::string& bytes) {
    dir_.Write("settings.cfg", bytes);
    return config_.Load(dir_.Path("settings.cfg"));
  }

  // Saves the table and returns the file's bytes.
  std::string Saved() {
    EXPECT_EQ(config_.Save(dir_.Path("saved.cfg")), 0);
    return dir_.Read("saved.cfg");
  }

  testkit::TempDir dir_;
  Config config_;
};

TEST_F(ConfigTest, CrLfFileFollowsTheLineRules) {
  ASSERT_EQ(LoadText("DSN=abc # x\r\n"
                     "   # a comment\r\n"
                     "\r\n"
                     "word\r\n"
                     "Debug = Y\r\n"
                     "  BuildVer  =1.2  \r\n"
                     "A=b=c\r\n"
                     "=x\r\n"
                     "\tTab=t\r\n"),
            0);
  EXPECT_EQ(config_.GetItem("dsn"), "abc # x");
  EXPECT_EQ(config_.GetItem("Debug"), " Y");
  EXPECT_EQ(config_.GetItem("BUILDVER"), "1.2");
  EXPECT_EQ(config_.GetItem("A"), "b=c");
  EXPECT_EQ(config_.GetItem(""), "x");
  EXPECT_EQ(config_.GetItem("word"), "");
  EXPECT_EQ(config_.GetItem("\tTAB"), "t");
  EXPECT_EQ(Saved(), "DSN=abc # x\r\nDEBUG= Y\r\nBUILDVER=1.2\r\nA=b=c\r\n=x\r\n\tTAB=t\r\n");
}

TEST_F(ConfigTest, LoneLfEndsALineButLoneCrIsText) {
  ASSERT_EQ(LoadText("A=1\nB=2\r\nC=3\rD=4\nE=5"), 0);
  EXPECT_EQ(config_.GetItem("A"), "1");
  EXPECT_EQ(config_.GetItem("B"), "2");
  EXPECT_EQ(config_.GetItem("C"), "3\rD=4");
  EXPECT_EQ(config_.GetItem("D"), "");
  EXPECT_EQ(config_.GetItem("E"), "5");
}

TEST_F(ConfigTest, RepeatedKeyKeepsFirstPositionAndLastValue) {
  ASSERT_EQ(LoadText("dsn=a\r\nX=1\r\nDSN=b\r\n"), 0);
  EXPECT_EQ(config_.GetItem("Dsn"), "b");
  EXPECT_EQ(Saved(), "DSN=b\r\nX=1\r\n");
}

TEST_F(ConfigTest, MissingFileOrEmptyNameReturnsMinusOneAndClearsTable) {
  config_.SetItem("Old", "value");
  EXPECT_EQ(config_.Load(dir_.Path("absent.cfg")), -1);
  EXPECT_EQ(config_.GetItem("Old"), "");
  config_.SetItem("Old", "value");
  EXPECT_EQ(config_.Load(""), -1);
  EXPECT_EQ(config_.GetItem("Old"), "");
  EXPECT_EQ(config_.Load(dir_.Path("")), -1) << "a directory is not a settings file";
}

TEST_F(ConfigTest, LoadReplacesTheWholeTable) {
  config_.SetItem("Old", "value");
  ASSERT_EQ(LoadText("New=1\r\n"), 0);
  EXPECT_EQ(config_.GetItem("Old"), "");
  EXPECT_EQ(Saved(), "NEW=1\r\n");
}

TEST_F(ConfigTest, TextOf32764CharactersLoads) {
  ASSERT_EQ(LoadText("K=" + std::string(32762, 'v')), 0);
  EXPECT_EQ(config_.GetItem("K").size(), 32762u);
}

TEST_F(ConfigTest, LineEndingAtPosition32765LoadsAndOnePastOverflows) {
  const std::string first = "A=1\r\n";
  // The second line's CR stands at position 32765 (counted from 1).
  const std::string at_limit = "K=" + std::string(32764 - first.size() - 2, 'v');
  ASSERT_EQ(LoadText(first + at_limit + "\r\n"), 0);
  EXPECT_EQ(config_.GetItem("K"), at_limit.substr(2));

  EXPECT_THROW(LoadText(first + at_limit + "v\r\n"), Overflow);
  EXPECT_EQ(config_.GetItem("A"), "1") << "entries read before the overflow stay";
  EXPECT_EQ(config_.GetItem("K"), "");
}

TEST_F(ConfigTest, LongFileOverflowsAfterReadingItsLeadingLines) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "K" + std::to_string(i) + "=v\n";
  EXPECT_THROW(LoadText(text), Overflow);
  EXPECT_EQ(config_.GetItem("K0"), "v");
}

TEST_F(ConfigTest, SaveThenLoadGivesTheSameTableButTrailingSpaces) {
  config_.SetItem("dsn", "Server=db;UID=a");
  config_.SetItem("Empty", "");
  config_.SetItem("Debug", "Y  ");
  ASSERT_EQ(Saved(), "DSN=Server=db;UID=a\r\nEMPTY=\r\nDEBUG=Y  \r\n");
  ASSERT_EQ(config_.Load(dir_.Path("saved.cfg")), 0);
  EXPECT_EQ(config_.GetItem("DSN"), "Server=db;UID=a");
  EXPECT_EQ(config_.GetItem("Debug"), "Y");
  EXPECT_EQ(Saved(), "DSN=Server=db;UID=a\r\nEMPTY=\r\nDEBUG=Y\r\n");
}

TEST_F(ConfigTest, SaveOverwritesAndWritesEmptyTableAsEmptyFile) {
  dir_.Write("saved.cfg", "OLD=content that must go\r\n");
  EXPECT_EQ(Saved(), "");
  EXPECT_EQ(config_.Save(""), -1);
}

TEST_F(ConfigTest, UnSetItemBlanksKeyButKeepsPositionAndValue) {
  config_.SetItem("DSN", "a");
  config_.SetItem("X", "1");
  config_.UnSetItem("dsn");
  config_.UnSetItem("absent");
  EXPECT_EQ(config_.GetItem("DSN"), "");
  config_.SetItem("DSN", "b");
  EXPECT_EQ(Saved(), "=a\r\nX=1\r\nDSN=b\r\n");
}

TEST_F(ConfigTest, FileSystemFailuresRaisePlatformFailure) {
  EXPECT_THROW(config_.Save(dir_.Path("no/such/dir.cfg")), PlatformFailure);
  config_.SetItem("K", "v");
  EXPECT_THROW(config_.Save("/dev/full"), PlatformFailure);
}

}  // namespace
}  // namespace quorax
