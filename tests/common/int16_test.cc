#include "common/int16.h"

#include <gtest/gtest.h>

#include "common/errors.h"

namespace quorax {
namespace {

TEST(Int16Test, ConversionAcceptsTheWholeRangeAndRaisesOnePast) {
  EXPECT_EQ(ToInt16(32767), 32767);
  EXPECT_EQ(ToInt16(-32768), -32768);
  EXPECT_THROW(ToInt16(32768), Overflow);
  EXPECT_THROW(ToInt16(-32769), Overflow);
}

TEST(Int16Test, SumsRaiseInsteadOfWrapping) {
  EXPECT_EQ(Add16(32766, 1), 32767);
  EXPECT_THROW(Add16(32767, 1), Overflow);
  EXPECT_EQ(Sub16(-32767, 1), -32768);
  EXPECT_THROW(Sub16(-32768, 1), Overflow);
}

TEST(Int16Test, OverflowMessageNamesWhatOverflowed) {
  try {
    Add16(32767, 1, "the row count");
    FAIL() << "no overflow raised";
  } catch (const Overflow& error) {
    EXPECT_NE(std::string(error.what()).find("the row count"), std::string::npos);
  }
}

TEST(Int16Test, ParsesDecimalTextWithSurroundingSpaces) {
  EXPECT_EQ(ParseInt16("5"), 5);
  EXPECT_EQ(ParseInt16("  -12 "), -12);
  EXPECT_EQ(ParseInt16("+7"), 7);
  EXPECT_EQ(ParseInt16("32767"), 32767);
  EXPECT_THROW(ParseInt16("32768"), Overflow);
  EXPECT_THROW(ParseInt16("99999999999999999999"), Overflow);
  EXPECT_THROW(ParseInt16("abc"), InvalidArgument);
  EXPECT_THROW(ParseInt16(""), InvalidArgument);
  EXPECT_THROW(ParseInt16("1x"), InvalidArgument);
  EXPECT_THROW(ParseInt16("\t1"), InvalidArgument);
}

}  // namespace
}  // namespace quorax
