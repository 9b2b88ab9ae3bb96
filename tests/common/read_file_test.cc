#include "common/read_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace quorax {
namespace {

TEST(ReadWholeFileTest, ReadsExactBytesUpToTheCap) {
  const std::string path = ::testing::TempDir() + "common_read_file_test.bin";
  const std::string bytes = std::string("a\r\n\0\xff", 5) + std::string(70000, 'z');
  std::ofstream(path, std::ios::binary) << bytes;
  EXPECT_EQ(ReadWholeFile(path), bytes);
  EXPECT_EQ(ReadWholeFile(path, 4), bytes.substr(0, 4));
  EXPECT_EQ(ReadWholeFile(path, 0), "");
  std::remove(path.c_str());
}

TEST(ReadWholeFileTest, NoRegularFileGivesNothing) {
  EXPECT_EQ(ReadWholeFile(""), std::nullopt);
  EXPECT_EQ(ReadWholeFile(::testing::TempDir() + "no_such_file"), std::nullopt);
  EXPECT_EQ(ReadWholeFile(::testing::TempDir()), std::nullopt);
}

}  // namespace
}  // namespace quorax
