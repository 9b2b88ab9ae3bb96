#include "cli/server_client.h"

#include <cctype>

#include "cli/exit_status.h"
#include "common/windows1252.h"

namespace quorax::cli {
namespace {

constexpr size_t kLargestBody = 32767;
constexpr int kMostRedirects = 5;
constexpr char kBoundary[] = "----QuoraxCommandLine7Hq2xVb04LmZ";

// The most any answer may hold: a page (about 2 KiB, more with a debug
// server's markers), a redirect, or a database failure's message.
constexpr uint64_t kLargestPage = 64 * 1024;

// How much an answer may grow for each byte and each row of an uploaded
// piece. The results page puts every value, HTML-escaped, in a table cell:
// an empty value, one byte of the file with its comma, becomes a 29-byte
// cell, and a row's outcome (all eight messages) stays under 1 KiB. The
// results download quotes every value, so an empty one triples its comma,
// and adds three columns that stay under 512 bytes a row.
struct Growth {
  uint64_t per_byte;
  uint64_t per_row;
};
constexpr Growth kResultsPage{32, 1024};
constexpr Growth kResultsDownload{4, 512};

uint64_t ReplyLimit(const Piece& piece, Growth growth) {
  return kLargestPage + growth.per_byte * piece.text.size() +
         growth.per_row * static_cast<uint64_t>(piece.rows);
}

std::string FormEncode(const std::string& value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : value) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string MultipartBody(const std::string& file_name, const std::string& content) {
  std::string name = file_name.substr(file_name.find_last_of('/') + 1);
  for (char& c : name) {
    if (c == '"' || c == '\r' || c == '\n') c = '_';
  }
  return std::string("--") + kBoundary +
         "\r\nContent-Disposition: form-data; name=\"csvfile\"; filename=\"" + name +
         "\"\r\nContent-Type: text/csv\r\n\r\n" + content + "\r\n--" + kBoundary + "--\r\n";
}

// The text between the first `open` and the next "</p>", without markup
// (a debug server writes its tag markers), with the common entities undone
// and in UTF-8 for the terminal (pages are Windows-1252); "" when there is
// none.
std::string PageText(const std::string& page, const std::string& open) {
  const size_t start = page.find(open);
  if (start == std::string::npos) return "";
  const size_t from = start + open.size();
  std::string text;
  bool in_tag = false;
  for (char c : page.substr(from, page.find("</p>", from) - from)) {
    if (c == '<' || c == '>') {
      in_tag = c == '<';
    } else if (!in_tag) {
      text += c;
    }
  }
  for (const auto& [entity, plain] : {std::pair<std::string, std::string>{"&lt;", "<"},
                                      {"&gt;", ">"},
                                      {"&quot;", "\""},
                                      {"&#39;", "'"},
                                      {"&amp;", "&"}}) {
    for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1)) {
      text.replace(at, entity.size(), plain);
    }
  }
  return Utf8FromWindows1252(text);
}

// Raises the failure a reply other than `expected` stands for.
void Expect(const HttpReply& reply, int expected, const std::string& step) {
  if (reply.status == expected) return;
  if (reply.status == 302) {
    const std::string location = reply.Header("Location");
    if (location.find("?s=4") != std::string::npos) {
      throw CliFailure(kServiceFailed, step + ": the server could not reach the database");
    }
    throw CliFailure(kServiceFailed,
                     step + ": the server ended the session (sent back to " + location + ")");
  }
  const std::string text = PageText(reply.body, "<p>");
  throw CliFailure(kServiceFailed, step + ": the server answered " + std::to_string(reply.status) +
                                       (text.empty() ? "" : " (" + text + ")"));
}

}  // namespace

ServerClient::ServerClient(const std::string& url, const std::string& ca_file)
    : server_(ParseAddress(url)), http_(server_, ca_file) {}

size_t ServerClient::LargestFile(const std::string& file_name) {
  return kLargestBody - MultipartBody(file_name, "").size();
}

std::string ServerClient::ItemTarget(const std::string& item) const {
  const std::string page = server_.target.substr(0, server_.target.find('?'));
  return page + "?WCI=" + item + "&WCU=";
}

std::string ServerClient::TargetOf(const std::string& location) const {
  if (location.rfind("http://", 0) != 0 && location.rfind("https://", 0) != 0) return location;
  const Address next = ParseAddress(location);
  if (next.https != server_.https || next.host != server_.host || next.port != server_.port) {
    throw CliFailure(kServiceFailed, "the server sends its start page to " + location +
                                         "; use that address as --url");
  }
  return next.target;
}

HttpReply ServerClient::Fetch(const std::string& location) {
  HttpReply reply = http_.Get(TargetOf(location), kLargestPage);
  for (int hop = 0; hop < kMostRedirects && reply.status >= 300 && reply.status <= 399; ++hop) {
    reply = http_.Get(TargetOf(reply.Header("Location")), kLargestPage);
  }
  return reply;
}

void ServerClient::SignIn(const std::string& user, const std::string& password) {
  Expect(Fetch(server_.target.substr(0, server_.target.find('?'))), 200, "opening the start page");
  const HttpReply reply =
      http_.Post(ItemTarget("SubmitCSV"), "application/x-www-form-urlencoded",
                 "uid=" + FormEncode(user) + "&pwd=" + FormEncode(password), kLargestPage);
  const std::string location = reply.Header("Location");
  if (reply.status == 302 &&
      (location.find("?s=1") != std::string::npos || location.find("?s=2") != std::string::npos)) {
    const std::string message = PageText(Fetch(location).body, "role=\"alert\">");
    throw CliFailure(kSignInRefused,
                     "sign-in refused" + (message.empty() ? std::string() : ": " + message));
  }
  Expect(reply, 200, "signing in");
}

std::string ServerClient::Run(const std::string& file_name, const Piece& piece, bool import) {
  if (ran_before_) {
    Expect(http_.Get(ItemTarget("SubmitCSV"), kLargestPage), 200, "opening the upload form");
  }
  const std::string body = MultipartBody(file_name, piece.text);
  const HttpReply uploaded = http_.Post(ItemTarget("ImportCSV") + (import ? "&i=1" : ""),
                                        std::string("multipart/form-data; boundary=") + kBoundary,
                                        body, ReplyLimit(piece, kResultsPage));
  if (uploaded.status == 400) {
    throw CliFailure(kBadUsage, "the server refused the file: " + PageText(uploaded.body, "<p>"));
  }
  Expect(uploaded, 200, "uploading the file");
  ran_before_ = true;
  const HttpReply download =
      http_.Get(ItemTarget("ExportResults"), ReplyLimit(piece, kResultsDownload));
  Expect(download, 200, "downloading the results");
  if (download.Header("Content-Type").rfind("text/csv", 0) != 0) {
    throw CliFailure(kServiceFailed, "the server offers no results download (is it up to date?)");
  }
  return download.body;
}

}  // namespace quorax::cli
