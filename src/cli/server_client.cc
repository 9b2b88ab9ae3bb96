#include "cli/server_client.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "cli/exit_status.h"
#include "common/windows1252.h"
#include "contract/page_contract.h"

namespace quorax::cli {
namespace {

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

// What an answer says under the server's contract.
struct Answer {
  std::string token;   // the status token; "" from a server without one
  int start_code = 0;  // the start page status of a redirect, 0 without one
  std::string reason;  // UTF-8, for the terminal
};

Answer ReadAnswer(const HttpReply& reply) {
  Answer answer{reply.Header(contract::kStatusHeader), 0,
                Utf8FromWindows1252(contract::ReasonText(reply.Header(contract::kReasonHeader)))};
  const std::string location = reply.Header("Location");
  const size_t query = location.find('?');
  if (reply.status != 302 || query == std::string::npos) return answer;
  for (size_t at = query + 1; at < location.size();) {
    const size_t end = std::min(location.find('&', at), location.size());
    const std::string key = std::string(contract::kStartStatusKey) + "=";
    if (location.compare(at, key.size(), key) == 0) {
      std::from_chars(location.data() + at + key.size(), location.data() + end, answer.start_code);
    }
    at = end + 1;
  }
  return answer;
}

// The failure an answer other than the one expected at `step` stands for.
CliFailure FailureOf(const HttpReply& reply, const std::string& step) {
  const Answer answer = ReadAnswer(reply);
  const std::string because = answer.reason.empty() ? "" : ": " + answer.reason;
  switch (answer.start_code) {
    case contract::kSignInRefused:
      return CliFailure(kSignInRefused, "sign-in refused" + because);
    case contract::kThrottled:
      return CliFailure(kSignInRefused, "too many failed sign-ins; wait and try again");
    case contract::kDatabaseUnreachable:
    case contract::kConnectionLost:
      return CliFailure(kServiceFailed, step + ": the server cannot reach the database" + because);
    default:
      break;
  }
  if (answer.token == contract::kUploadRefused) {
    return CliFailure(kBadUsage, "the server refused the file" + because);
  }
  if (reply.status == 302) {
    return CliFailure(kServiceFailed, step + ": the server sent back to its start page (" +
                                          reply.Header("Location") + ")" + because);
  }
  return CliFailure(kServiceFailed,
                    step + ": the server answered " + std::to_string(reply.status) + because);
}

// The session ended on the server (it expired, or the user's limit of
// sessions ended it) before `step`; `results_lost` when an upload had run.
struct SessionEnded {
  std::string step;
  bool results_lost = false;
};

// Returns when `reply` carries `token`; raises SessionEnded when it says the
// session ended, else the CliFailure it stands for.
void Expect(const HttpReply& reply, const char* token, const std::string& step,
            bool results_lost = false) {
  const std::string said = reply.Header(contract::kStatusHeader);
  if (said == token) return;
  if (said == contract::kSessionEnded) throw SessionEnded{step, results_lost};
  throw FailureOf(reply, step);
}

}  // namespace

ServerClient::ServerClient(const std::string& url, const std::string& ca_file,
                           std::chrono::seconds timeout)
    : server_(ParseAddress(url)), http_(server_, ca_file, timeout) {}

size_t ServerClient::LargestFile(const std::string& file_name) {
  return contract::kLargestUploadBody - MultipartBody(file_name, "").size();
}

std::string ServerClient::ItemTarget(const std::string& item) const {
  const std::string page = server_.target.substr(0, server_.target.find('?'));
  return page + "?" + contract::kItemKey + "=" + item + "&WCU=";
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
  user_ = user;
  password_ = password;
  const HttpReply start = Fetch(server_.target.substr(0, server_.target.find('?')));
  if (start.status != 200) throw FailureOf(start, "opening the start page");
  const HttpReply reply =
      http_.Post(ItemTarget(contract::kSubmitCSV), "application/x-www-form-urlencoded",
                 "uid=" + FormEncode(user) + "&pwd=" + FormEncode(password), kLargestPage);
  if (reply.Header(contract::kStatusHeader) != contract::kUploadForm) {
    throw FailureOf(reply, "signing in");
  }
  ran_before_ = false;
}

std::string ServerClient::Run(const std::string& file_name, const Piece& piece, bool import) {
  for (int attempt = 1;; ++attempt) {
    try {
      return RunOnce(file_name, piece, import);
    } catch (const SessionEnded& ended) {
      if (ended.results_lost && import) {
        throw CliFailure(kServiceFailed,
                         "the server ended the session before the results of data "
                         "rows " +
                             std::to_string(piece.first_row) + " to " +
                             std::to_string(piece.first_row + piece.rows - 1) +
                             " were read; they may have been imported");
      }
      if (attempt == 2) {
        throw CliFailure(kServiceFailed,
                         ended.step + ": the server ended the session twice in a row");
      }
      SignIn(user_, password_);
    }
  }
}

std::string ServerClient::RunOnce(const std::string& file_name, const Piece& piece, bool import) {
  if (ran_before_) {
    Expect(http_.Get(ItemTarget(contract::kSubmitCSV), kLargestPage), contract::kUploadForm,
           "opening the upload form");
  }
  const std::string body = MultipartBody(file_name, piece.text);
  const HttpReply uploaded = http_.Post(ItemTarget(contract::kImportCSV) + (import ? "&i=1" : ""),
                                        std::string("multipart/form-data; boundary=") + kBoundary,
                                        body, ReplyLimit(piece, kResultsPage));
  Expect(uploaded, contract::kResultsPage, "uploading the file");
  ran_before_ = true;
  const HttpReply download =
      http_.Get(ItemTarget(contract::kExportResults), ReplyLimit(piece, kResultsDownload));
  if (download.status == 200 && download.Header(contract::kStatusHeader).empty()) {
    throw CliFailure(kServiceFailed, "the server offers no results download (is it up to date?)");
  }
  Expect(download, contract::kResultsDownload, "downloading the results", true);
  return download.body;
}

}  // namespace quorax::cli
