#include "contract/page_contract.h"

#include <gtest/gtest.h>

#include <string>

namespace quorax::contract {
namespace {

// Every byte survives the trip through a header, which holds only printable
// ASCII: a database reason may quote a user name in any encoding.
TEST(PageContractTest, ReasonCrossesAHeaderAsPrintableAsciiAndComesBackWhole) {
  std::string every_byte;
  for (int c = 0; c < 256; ++c) every_byte += static_cast<char>(c);
  for (const std::string& text :
       {every_byte, std::string("80004005:caf\xE9 100%\r\nnext"), std::string("plain reason")}) {
    const std::string value = ReasonHeaderValue(text);
    for (char c : value) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << static_cast<int>(c);
    EXPECT_EQ(ReasonText(value), text);
  }
  EXPECT_EQ(ReasonHeaderValue("plain reason"), "plain reason");
}

}  // namespace
}  // namespace quorax::contract
