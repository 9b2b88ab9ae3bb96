#include "cli/chunked_text.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace quorax::cli {
namespace {

std::string Rest(std::istream& in) {
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Chunks read as one text, across empty chunks, and read again from any position sought.
TEST(ChunkedText, ReadsAndSeeksAsOneText) {
  ChunkedText text({"", "ab", "", "cde", "f", ""});
  EXPECT_EQ(Rest(text), "abcdef");
  for (const int at : {0, 2, 3, 5, 6}) {
    text.clear();
    text.seekg(at);
    EXPECT_EQ(text.tellg(), at);
    EXPECT_EQ(Rest(text), std::string("abcdef").substr(static_cast<size_t>(at))) << at;
  }
  text.clear();
  text.seekg(7);
  EXPECT_TRUE(text.fail());
  ChunkedText empty({});
  EXPECT_EQ(Rest(empty), "");
}

}  // namespace
}  // namespace quorax::cli
