#include "http/http_messages.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quorax {
namespace {

// The header written in one piece, followed by the body, must be exactly
// what Beast's serializer writes for the same response.
TEST(SerializedHeaderTest, MatchesBeastSerializerByteForByte) {
  struct Case {
    unsigned status;
    unsigned version;
    bool keep_alive;
    std::vector<std::pair<std::string, std::string>> headers;
  };
  const Case cases[] = {
      {200, 11, true, {{"Content-Type", "text/html"}, {"Set-Cookie", "a=b; Path=/"}}},
      {302, 11, false, {{"Location", "/x"}, {"Cache-Control", "private"}}},
      {503, 10, true, {{"Retry-After", "120"}, {"X-Odd", ""}}},
      {299, 10, false, {}},
  };
  for (const Case& c : cases) {
    Reply reply;
    reply.status = c.status;
    reply.headers = c.headers;
    reply.body = "<p>body</p>\r\n";
    HttpResponse response = Frame(reply, c.version, c.keep_alive);
    std::ostringstream beast_bytes;
    beast_bytes << response;
    EXPECT_EQ(SerializedHeader(response) + response.body(), beast_bytes.str()) << c.status;
  }
}

}  // namespace
}  // namespace quorax
