#include <gtest/gtest.h>

#include <sstream>

#include "http/pages.h"
#include "http/response_headers.h"
#include "http/response_writer.h"

namespace quorax {
namespace {

// What Beast's serializer writes for the message Beast builds from `reply`.
std::string BeastBytes(const Reply& reply, unsigned version, bool keep_alive) {
  http::response<http::string_body> response;
  response.version(version);
  response.result(reply.status);
  for (const auto& [name, value] : reply.headers) {
    if (!IsFramingHeader(name)) response.insert(name, WithoutLineBreaks(value));
  }
  std::string_view lines = StandardHeaderLines();
  for (size_t end = lines.find("\r\n"); end != std::string_view::npos; end = lines.find("\r\n")) {
    const size_t colon = lines.find(": ");
    response.set(std::string(lines.substr(0, colon)),
                 std::string(lines.substr(colon + 2, end - colon - 2)));
    lines.remove_prefix(end + 2);
  }
  response.body() = reply.body;
  response.keep_alive(keep_alive);
  response.prepare_payload();
  std::ostringstream bytes;
  bytes << response;
  return bytes.str();
}

// The response framed in one piece must be exactly what Beast's serializer
// writes for the same reply, and the buffer is reused from one to the next.
TEST(FrameResponseTest, MatchesBeastSerializerByteForByte) {
  struct Case {
    unsigned status;
    unsigned version;
    bool keep_alive;
    Reply::Headers headers;
    std::string body;
  };
  const Case cases[] = {
      {200, 11, true, {{"Content-Type", "text/html"}, {"Set-Cookie", "a=b; Path=/"}}, "<p>x</p>"},
      {302, 11, false, {{"Location", " /x\r\n "}, {"Cache-Control", "private"}}, ""},
      {503, 10, true, {{"Retry-After", "120"}, {"X-Odd", ""}, {"X-Split", "a\r\nb\nc"}}, "busy"},
      {299, 10, false, {{"A", "1"}, {"B", "2"}, {"a", "3"}, {"Content-Length", "9"}}, "body"},
      {204, 11, true, {{"X-Empty", "\t"}}, ""},
      {200, 11, true, {}, std::string(20000, 'z')},
  };
  OutgoingResponse out;
  for (const Case& c : cases) {
    Reply reply{c.status, c.headers, c.body};
    const std::string expected = BeastBytes(reply, c.version, c.keep_alive);
    FrameResponse(reply, c.version, c.keep_alive, false, out);
    EXPECT_EQ(out.bytes + out.body, expected) << c.status;
    EXPECT_EQ(out.status, c.status);
    EXPECT_EQ(out.keep_alive, c.keep_alive);
  }
  Reply head{200, {}, "twelve bytes"};
  FrameResponse(head, 11, true, true, out);
  EXPECT_EQ(out.bytes.size(), out.header_size);
  EXPECT_NE(out.bytes.find("Content-Length: 12\r\n"), std::string::npos);
  Reply no_content{204, {}, "x"};
  EXPECT_THROW(FrameResponse(no_content, 11, true, false, out), std::invalid_argument);
}

}  // namespace
}  // namespace quorax
