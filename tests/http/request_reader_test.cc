#include "http/request_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace quorax {
namespace {

using Progress = RequestReader::Progress;

constexpr char kGet[] = "GET / HTTP/1.1\r\nHost: a\r\n\r\n";
constexpr char kPost[] = "POST /x HTTP/1.1\r\nHost: a\r\nContent-Length: 5\r\n\r\nhello";
constexpr char kChunked[] = "POST /x HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n";

struct Case {
  const char* name;
  std::string bytes;
  std::string expected;   // the outcome's summary (ReadSplit)
  std::string page = "";  // words of the refusal page
  size_t header_limit = 1024;
  size_t max_body = 64;
};

void Append(beast::flat_buffer& buffer, std::string_view bytes) {
  buffer.commit(boost::asio::buffer_copy(buffer.prepare(bytes.size()),
                                         boost::asio::buffer(bytes.data(), bytes.size())));
}

std::string Text(const beast::flat_buffer& buffer) {
  return {static_cast<const char*>(buffer.data().data()), buffer.size()};
}

// What a reader makes of `c.bytes` arriving in two pieces split at `split`:
// "complete METHOD TARGET [body] rest [bytes left for the next request]",
// "refused STATUS" with the page, or "incomplete".
struct Outcome {
  std::string summary;
  std::string page = "";
  bool operator==(const Outcome&) const = default;
};

Outcome ReadSplit(const Case& c, size_t split) {
  RequestReader reader(c.header_limit, c.max_body, "/start", "/upload");
  reader.Begin();
  beast::flat_buffer buffer;
  const std::string_view pieces[] = {std::string_view(c.bytes).substr(0, split),
                                     std::string_view(c.bytes).substr(split)};
  for (int piece = 0; piece < 2; ++piece) {
    Append(buffer, pieces[piece]);
    Progress progress;
    while ((progress = reader.Read(buffer)) == Progress::kHeaderDone) {
    }
    if (progress == Progress::kComplete) {
      if (piece == 0) Append(buffer, pieces[1]);
      return {"complete " + std::string(reader.method()) + " " + std::string(reader.target()) +
              " [" + reader.request().body() + "] rest [" + Text(buffer) + "]"};
    }
    if (progress == Progress::kRefused) {
      const Reply refusal = reader.TakeRefusal();
      return {"refused " + std::to_string(refusal.status), refusal.body};
    }
  }
  return {"incomplete"};
}

// Every input gives the same outcome wherever its bytes are split; the
// limits hold and every refusal says why.
TEST(RequestReaderTest, OutcomeIsTheSameWhereverTheBytesAreSplit) {
  const std::string get = kGet;
  const std::string hello = "5\r\nhello\r\n0\r\n";
  const Case cases[] = {
      {"get", "GET /Quorax.asp?s=1 HTTP/1.1\r\nHost: a\r\n\r\n",
       "complete GET /Quorax.asp?s=1 [] rest []"},
      {"empty lines first", "\r\n\n\r\n" + get, "complete GET / [] rest []"},
      {"length, then the next request", kPost + get, "complete POST /x [hello] rest [" + get + "]"},
      {"chunked with a trailer", kChunked + hello + "A: b\r\n\r\n" + get,
       "complete POST /x [hello] rest [" + get + "]"},
      {"unfinished header", get.substr(0, get.size() - 2), "incomplete"},
      {"header at the limit", get, "complete GET / [] rest []", "", get.size()},
      {"header one over", get, "refused 431", "header is larger", get.size() - 1},
      {"header over the limit",
       "GET / HTTP/1.1\r\nHost: a\r\nX: " + std::string(64, 'x') + "\r\n\r\n", "refused 431",
       "header is larger", get.size()},
      {"length at the limit", kPost, "complete POST /x [hello] rest []", "", 1024, 5},
      {"length one over", kPost, "refused 413", "too large", 1024, 4},
      {"chunked body one over", kChunked + hello + "\r\n", "refused 413", "too large", 1024, 12},
      // The header leaves 5 bytes of its limit to the trailer, which counts 6.
      {"trailer past the header limit", kChunked + hello + "A: b\r\n\r\n", "refused 431",
       "header is larger", sizeof kChunked - 1 + 5},
      {"chunk size line too long", kChunked + std::string("5;") + std::string(4095, 'x') + "\r\n",
       "refused 400", "longer than 4096", 1024, 8192},
      {"chunked in HTTP/1.0", "POST /x HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
       "refused 400", "ambiguous"},
      {"not chunked", "POST /x HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: gzip\r\n\r\n",
       "refused 400", "ambiguous"},
      {"length and chunked",
       "POST /x HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\nContent-Length: 5\r\n\r\n",
       "refused 400", "Bad request"},
      {"no host", "GET / HTTP/1.1\r\n\r\n", "refused 400", "ambiguous"},
      {"folded line", "GET / HTTP/1.1\r\nHost: a\r\nX: 1\r\n 2\r\n\r\n", "refused 400",
       "ambiguous"},
      {"not a request", "NOT A REQUEST\r\n\r\n", "refused 400", "could not read"},
  };
  for (const Case& c : cases) {
    const Outcome whole = ReadSplit(c, c.bytes.size());
    EXPECT_EQ(whole.summary, c.expected) << c.name;
    EXPECT_NE(whole.page.find(c.page), std::string::npos) << c.name << ": " << whole.page;
    for (size_t split = 0; split < c.bytes.size(); ++split) {
      const Outcome outcome = ReadSplit(c, split);
      ASSERT_EQ(outcome.summary, whole.summary) << c.name << ", split at " << split;
      ASSERT_EQ(outcome.page, whole.page) << c.name << ", split at " << split;
    }
  }
}

}  // namespace
}  // namespace quorax
