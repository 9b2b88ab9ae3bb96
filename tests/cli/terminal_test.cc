#include "cli/terminal.h"

#include <gtest/gtest.h>

#include <string>

namespace quorax::cli {
namespace {

TEST(TerminalTextTest, ControlCharactersGoAndEveryOtherByteStays) {
  const struct {
    std::string text;
    std::string shown;
  } cases[] = {
      {"tab\tand\nline feed stay", "tab\tand\nline feed stay"},
      {"\x1B[2J\x1B]0;title\x07"
       "cleared",
       "[2J]0;titlecleared"},
      {"fake\rreal", "fakereal"},
      {std::string("nul\0del\x7F", 8), "nuldel"},
      {"\x01\x1F", ""},
      {"csi\xC2\x9B"
       "31m, next line\xC2\x85",
       "csi31m, next line"},
      {"caf\xC3\xA9 \xE2\x82\xAC\xC2\xA0\xC2\xA0", "caf\xC3\xA9 \xE2\x82\xAC\xC2\xA0\xC2\xA0"},
      {"\xC3\x82\x9B and a last \xC2", "\xC3\x82\x9B and a last \xC2"},
  };
  for (const auto& c : cases) EXPECT_EQ(TerminalText(c.text), c.shown) << c.text;
}

}  // namespace
}  // namespace quorax::cli
