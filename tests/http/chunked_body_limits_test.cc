#include <gtest/gtest.h>

#include <string>

#include "http/http_framing.h"

namespace quorax {
namespace {

using Verdict = ChunkedBodyLimits::Verdict;

// The verdict on `body` given in two pieces split at `split`: what the
// first piece decides, else what the second does.
Verdict ScanSplit(size_t max_body, size_t trailer_limit, const std::string& body, size_t split) {
  ChunkedBodyLimits limits(max_body, trailer_limit);
  const Verdict first = limits.Scan(std::string_view(body).substr(0, split));
  return first != Verdict::kMore ? first : limits.Scan(std::string_view(body).substr(split));
}

// A body's framing counts its size lines, data and data line ends against
// the body limit and its trailer lines against the trailer limit; each
// verdict is the same wherever the bytes are split.
TEST(ChunkedBodyLimitsTest, LimitsHoldAtTheirExactValueAndWhereverTheBytesAreSplit) {
  // "5\r\nhello\r\n0\r\n" counts 13 bytes against the body limit; "A: b\r\n\r\n"
  // counts 6 against the trailer limit (LFs are not counted).
  const std::string hello = "5\r\nhello\r\n0\r\n";
  // A size line of `length` bytes before its LF, announcing 5 bytes.
  auto size_line = [](size_t length) { return "5;" + std::string(length - 3, 'x') + "\r\n"; };
  struct Case {
    const char* name;
    size_t max_body, trailer_limit;
    std::string body;
    Verdict expected;
  };
  const Case cases[] = {
      {"body at the limit", 13, 64, hello + "\r\n", Verdict::kEnd},
      {"body one over", 12, 64, hello + "\r\n", Verdict::kBodyTooLarge},
      {"next request's bytes ignored", 13, 64, hello + "\r\nGET / HTTP/1.1\r\n", Verdict::kEnd},
      {"unfinished", 13, 64, hello, Verdict::kMore},
      {"trailer at the limit", 13, 6, hello + "A: b\r\n\r\n", Verdict::kEnd},
      {"trailer one over", 13, 5, hello + "A: b\r\n\r\n", Verdict::kTrailerTooLarge},
      {"size line at the limit", 1 << 16, 64, size_line(kMaxChunkLine) + "hello\r\n0\r\n\r\n",
       Verdict::kEnd},
      {"size line one over", 1 << 16, 64, size_line(kMaxChunkLine + 1), Verdict::kLineTooLong},
      // 2^64 must not wrap to a last chunk of size 0: what follows is data.
      {"size past 64 bits", 1 << 16, 64, "10000000000000000\r\n0\r\n\r\n", Verdict::kMore},
  };
  for (const Case& c : cases) {
    for (size_t split = 0; split <= c.body.size(); ++split) {
      ASSERT_EQ(ScanSplit(c.max_body, c.trailer_limit, c.body, split), c.expected)
          << c.name << ", split at " << split;
    }
  }
}

}  // namespace
}  // namespace quorax
