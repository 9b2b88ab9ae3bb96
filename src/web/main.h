#ifndef QUORAX_WEB_MAIN_H_
#define QUORAX_WEB_MAIN_H_

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "contract/page_contract.h"
#include "host/web_application.h"
#include "host/web_host.h"
#include "kept/connection_keeper.h"
#include "support/config.h"
#include "web/file_run.h"
#include "web/host_page.h"
#include "web/named_table.h"
#include "web/page_addresses.h"
#include "web/run_corrections.h"
#include "web/run_download.h"
#include "web/run_queue.h"
#include "web/sign_in_throttle.h"

namespace quorax {

// The application object. Its fields are read from the settings file once,
// when it is created, and never change afterwards, but for Throttle and
// Connections, which are shared state of the whole server and thread-safe; everything else that
// carries from one request to the next lives in the session. Handlers may
// run at the same time for different sessions.
class main : public WebApplication {
 public:
  // Reads `settings_file` (by default the path fixed at build time). A missing
  // file is not an error: see the fields for what is then used. `clock`
  // times the sign-in throttle. At most `kept_connections` database
  // connections stay open between requests (0: none), each serving for at
  // most `connection_max_age` after its credentials were checked; a run's
  // own connection is checked again as often. Files sent as runs are carried
  // out within `runs`; the upload form tells that a file over its
  // largest_bytes, the host's limit of a run's body, cannot be sent.
  explicit main(std::string settings_file = DefaultSettingsFile(),
                SignInThrottle::Clock clock = SignInThrottle::SteadyClock(),
                size_t kept_connections = kDefaultKeptConnections,
                std::chrono::milliseconds connection_max_age = kDefaultConnectionMaxAge,
                const RunLimits& runs = {});

  static std::string DefaultSettingsFile();

  // WebApplication. The host page is kHostPageName, its upload item ImportCSV.
  Routes SiteRoutes() const override;
  // Respond routes "ExportCSV", "ExportResults", "FixRows", "ImportCSV",
  // "ImportDone", "ImportRows", "Login", "RecheckRows" and "SubmitCSV" (any
  // case) to their handlers.
  void WebClass_Start(WebHost& host) override;
  bool Respond(const std::string& item, WebHost& host) override;
  // Without `check_database` always healthy; with it, asks the server that
  // DataSourceName names (a problem when none is configured).
  std::string HealthProblem(bool check_database) override;
  // True for the start ("") and "Login" (any case): they read only the
  // session, the query and the templates.
  bool NeverBlocks(const std::string& item) const override;
  // DebugMode: the one switch for plain connections. The host refuses them
  // outside it on every path; WebClass_Start holds the same rule for a host
  // that passes them on.
  bool ServesPlainConnections() const override { return DebugMode; }
  bool TakesRunBody(const Session& session) const override;

  void Login_Respond(WebHost& host);
  void Login_ProcessTag(WebHost& host, const std::string& TagName, std::string& TagContents,
                        bool& SendTags);
  void SubmitCSV_Respond(WebHost& host);
  void SubmitCSV_ProcessTag(WebHost& host, const std::string& TagName, std::string& TagContents,
                            bool& SendTags);
  void ImportCSV_Respond(WebHost& host);
  void ImportDone_Respond(WebHost& host);
  void ImportDone_ProcessTag(WebHost& host, const std::string& TagName, std::string& TagContents,
                             bool& SendTags);
  void ExportCSV_Respond(WebHost& host);
  // Every row of the last run with its outcome, as results.csv; like the
  // bad-row download it follows no page-order rule.
  void ExportResults_Respond(WebHost& host);
  // A page (query "p", from 1) of the last run's bad rows as text boxes. It
  // is one more view of the results page, so it leaves "Last" as it is.
  void FixRows_Respond(WebHost& host);
  // Takes the cells a fix view posted, sends the rows that changed and any
  // the database has not judged again, in the run's mode, and shows the
  // results page. A form it cannot take gets a refusal page; nothing changes.
  void RecheckRows_Respond(WebHost& host);
  // Imports every row of the last run, a verify, as the rows now stand, and
  // shows the results page; after an import it only shows the results.
  void ImportRows_Respond(WebHost& host);
  // Takes a file of any size (spooled by the host) with the form's fields
  // and starts it as the session's run in the background; shows its progress.
  void StartRun_Respond(WebHost& host);
  // The progress page of the session's run, its status as JSON, its cancel
  // and its results a page at a time (query "p", or "row" for the page
  // holding that data row). Without a run they go back to the start page.
  void RunProgress_Respond(WebHost& host);
  void RunStatus_Respond(WebHost& host);
  void CancelRun_Respond(WebHost& host);
  void RunResults_Respond(WebHost& host);
  // A finished run's bad rows (errors.csv) and every row with its outcome
  // (results.csv), written by Downloads from the rows' kept bytes; a page
  // that reloads itself while a large one is still being written.
  void RunErrors_Respond(WebHost& host);
  void RunExport_Respond(WebHost& host);
  // A finished run's fix view: its bad rows a page at a time (query "p"),
  // every cell a text box. Its form sends the page's changed rows, and those
  // the database has not judged, again in the run's mode, and shows the
  // results; a verified run's Import starts the run again as an import of
  // its rows as they now stand.
  void RunFix_Respond(WebHost& host);
  void RunRecheck_Respond(WebHost& host);
  void RunImport_Respond(WebHost& host);
  // Sends the session's finished run as download `name`, every row or only the bad ones.
  void SendRunDownload(WebHost& host, const char* name, bool all_rows);
  // The script of the upload form and the progress page.
  void RunScript_Respond(WebHost& host);

  // The message the start page shows for status `code` (status 2 quotes
  // session "ErrorMsg", as a busy database when "DatabaseBusy" is true;
  // status 7 names the session timeout the host reports); none for a code
  // without one.
  static std::optional<std::string> StartMessage(int16_t code, WebHost& host);

  // Replaces the tags every template may hold. Returns true when it did.
  // Leaves `SendTags` false either way.
  bool ProcessCommonTags(WebHost& host, const std::string& TagName, std::string& TagContents,
                         bool& SendTags);

  const std::unique_ptr<const Config> Settings;  // the settings read; null without a file
  const bool DebugMode;              // "Debug" is yes: plain connections and tag markers
  const std::string DataSourceName;  // "DSN": the database connection string, or ""
  const std::string BuildVersion;    // "BuildVer", or "{Error}" without a settings file
  const std::string BuildDateText;   // "BuildDate", or "{Error}" without a settings file
  const PageAddresses Addresses;     // every address empty without a settings file
  SignInThrottle Throttle;           // failed sign-ins of every session, by address and name
  ConnectionKeeper Connections;      // signed-in sessions' connections between requests
  const std::chrono::milliseconds ConnectionMaxAge;  // a kept connection's longest service
  const size_t MaxRunBytes;                          // the largest file sent as a run
  RunQueue Runs;                                     // the runs of every session
  RunDownloads Downloads{2};  // the runs' downloads, written off the page threads

 private:
  // A tag of one page item and how its contents are filled.
  using PageTag = Named<void (*)(const main& app, WebHost& host, std::string& TagContents)>;

  // Reads `settings_file`. Returns null when the name is empty or no such
  // file exists; raises as Config::Load does for a file that cannot be read.
  static std::unique_ptr<const Config> WebClass_Initialize(const std::string& settings_file);

  // A page item's tag handler: the common tags first (never with markers),
  // then the markers kept in debug mode and the tag in `tags` filled; any
  // other tag keeps its template contents.
  void ProcessPageTag(WebHost& host, const std::string& TagName, std::string& TagContents,
                      bool& SendTags, std::span<const PageTag> tags);

  // The start address of this request, with "?s=" and `code` appended
  // unless it is kNoStatus.
  std::string StartAddress(WebHost& host, int16_t code = contract::kNoStatus) const;

  // Redirects to the start address with `code` and ends the response. No
  // code in a session that has seen no page becomes kSessionTimedOut when the
  // request named a session that has ended. The redirect carries the code's
  // status token (kSessionEnded for no code in a session that has seen no
  // page) and `reason`, by default the message the start page shows for the
  // code.
  void RedirectToStart(WebHost& host, int16_t code, const std::string& reason = "") const;

  // The page-order rule: true when session "Last" equals one of `accepted`
  // (without regard to case; an absent value equals ""); otherwise redirects to the start address,
  // ends the response and returns false.
  bool InPageOrder(WebHost& host, std::initializer_list<const char*> accepted) const;
  // True when session "Last" of `session` equals one of `accepted`, as InPageOrder compares.
  static bool Follows(const Session& session, std::initializer_list<const char*> accepted);

  // The session's database connection for sending rows, connected with its
  // "User" and "Pass" (the kept one while it may serve; else a new one, which
  // checks the credentials again). Refused credentials abandon the session and
  // redirect with kSignInRefused; any other failure redirects with
  // kConnectionLost and the database's words. Null after such a redirect.
  std::unique_ptr<TCDB> ConnectForRows(WebHost& host);

  // False, after abandoning the session and redirecting with kSignInRefused,
  // when run page `item` may not be shown: the session's run found its
  // sign-in refused, or a new connection does (made only once the kept one
  // is ConnectionMaxAge old, and never for a page that must not block).
  // True for every other item, and when the database cannot be reached.
  bool StillAdmitted(WebHost& host, const std::string& item);

  // Sends the session's run again, in import mode when `import`, after
  // connecting: with `posted`, the rows RowsToSendAgain names once those
  // cells are taken; without, every row. Sets "Mode" and "NoErrors" and
  // names ImportDone. A refused connection redirects as ConnectForRows does,
  // changing nothing.
  void RunAgain(WebHost& host, const RunCorrections::RowCells* posted, bool import);

  // Writes the fix view's template with `contents` in its tag "WC@FIX_VIEW".
  void WriteFixPage(WebHost& host, const std::string& contents);
  // Answers a form of the fix view or the results page that cannot be taken
  // with status 400: the fix view's page giving `reason`, with a link back to
  // the bad rows. Ends the response.
  void RefuseFixForm(WebHost& host, const std::string& reason);
  // The same for a form of a run's pages, with a link back to its results.
  void RefuseRunForm(WebHost& host, const std::string& reason);

  // Redirects to `address` and ends the response.
  static void RedirectAndEnd(WebHost& host, const std::string& address);

  // Starts the multipart form in `body` (its part "csvfile" and the run's
  // fields) as the session's run and redirects to its progress page, or
  // answers with the upload's refusal page, changing nothing.
  void BeginRun(WebHost& host, const SpoolFile& body);
  // The server-relative address of page item `item`, not escaped.
  std::string RunItemAddress(const char* item) const;
  // The session's run; null after redirecting to the start page (and ending
  // the response) when the session holds none.
  std::shared_ptr<FileRun> SessionRun(WebHost& host) const;
  // The session's run when it ended with rows that can be fixed and sent
  // again; null after redirecting to the start page (no run) or to the run's
  // results (one still going, or one that failed before it was read whole).
  std::shared_ptr<FileRun> FixableRun(WebHost& host) const;
  // Writes a run page: `content` in the site's frame, reloading itself every
  // second when `refresh` (for browsers without scripts). Ends the response.
  void WriteRunPage(WebHost& host, const std::string& title, const std::string& content,
                    bool refresh = false, const std::string& script = "") const;
};

}  // namespace quorax

#endif  // QUORAX_WEB_MAIN_H_
