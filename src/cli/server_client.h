#ifndef QUORAX_CLI_SERVER_CLIENT_H_
#define QUORAX_CLI_SERVER_CLIENT_H_

#include <chrono>
#include <cstddef>
#include <string>

#include "cli/http_session.h"
#include "cli/pieces.h"

namespace quorax::cli {

// The application's pages as a browser uses them, in one session: the start
// page, the sign-in form, the upload form and the results download. Every
// call raises CliFailure: kSignInRefused when the credentials are refused
// or too many sign-ins failed, kServiceFailed when the server, the database
// or the network fails. Outcomes are read from the server's status headers
// and start codes (contract/page_contract.h), never from its pages.
class ServerClient {
 public:
  // `url` is the host page address; `timeout` bounds each request's
  // exchange. Raises CliFailure (kBadUsage) for a malformed address or
  // certificate file.
  ServerClient(const std::string& url, const std::string& ca_file, std::chrono::seconds timeout);

  // Opens a session at the start page and signs in.
  void SignIn(const std::string& user, const std::string& password);

  // Uploads `piece` as the file `file_name` for verification (or import) and
  // returns the results download of that run. When the server ended the
  // session (it expired, or the user's limit of sessions ended it), signs in
  // again and sends the piece once more, unless an import ran and only its
  // results are lost: that raises kServiceFailed, since sending it again
  // would import its rows twice. Raises CliFailure (kBadUsage) with the server's
  // reason when it refuses the file, (kServiceFailed) when an answer is
  // larger than a page plus what the piece's bytes and rows can account for.
  // REQUIRES: signed in.
  std::string Run(const std::string& file_name, const Piece& piece, bool import);

  // The largest file whose upload request body stays within the server's
  // limit (kLargestUploadBody).
  static size_t LargestFile(const std::string& file_name);

 private:
  // GETs `location` (a target or an address on this server), following
  // redirects that stay on this server.
  HttpReply Fetch(const std::string& location);
  // The target of `location`. Raises CliFailure (kServiceFailed) for an
  // address on another server.
  std::string TargetOf(const std::string& location) const;
  // The target of the host page with page item `item` ("?WCI=item&WCU=").
  std::string ItemTarget(const std::string& item) const;
  // One upload of `piece` and its results download, as Run describes;
  // raises SessionEnded (server_client.cc) when the session has ended.
  std::string RunOnce(const std::string& file_name, const Piece& piece, bool import);

  Address server_;
  HttpSession http_;
  std::string user_;         // for signing in again after the server ended the session
  std::string password_;     // likewise
  bool ran_before_ = false;  // a run ended on the results page: back to the upload form first
};

}  // namespace quorax::cli

#endif  // QUORAX_CLI_SERVER_CLIENT_H_
