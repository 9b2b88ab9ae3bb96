#ifndef QUORAX_CONTRACT_PAGE_CONTRACT_H_
#define QUORAX_CONTRACT_PAGE_CONTRACT_H_

#include <cstdint>
#include <string>
#include <string_view>

// What the server promises a program that drives its pages (the command
// line): the page item names, the start page status codes, the upload limit
// and the status every answer a program acts on carries in a header. The
// HTML pages are for people and may change; these never change meaning.
namespace quorax::contract {

// The query keys of the host page that name a page item and carry a start
// page status code.
inline constexpr char kItemKey[] = "WCI";
inline constexpr char kStartStatusKey[] = "s";

// Page items, named by the query key kItemKey of the host page.
inline constexpr char kExportCSV[] = "ExportCSV";
inline constexpr char kExportResults[] = "ExportResults";
inline constexpr char kImportCSV[] = "ImportCSV";
inline constexpr char kImportDone[] = "ImportDone";
inline constexpr char kLogin[] = "Login";
inline constexpr char kSubmitCSV[] = "SubmitCSV";
// The bad rows of the last run as text boxes (GET), the changed rows sent
// again (POST), and the last verified run imported as it now stands (POST).
inline constexpr char kFixRows[] = "FixRows";
inline constexpr char kRecheckRows[] = "RecheckRows";
inline constexpr char kImportRows[] = "ImportRows";
// A file of any size sent as a run (POST), its progress page and status
// (GET, JSON), its cancel (POST) and its results, a page at a time (GET).
inline constexpr char kStartRun[] = "StartRun";
inline constexpr char kRunProgress[] = "RunProgress";
inline constexpr char kRunStatus[] = "RunStatus";
inline constexpr char kCancelRun[] = "CancelRun";
inline constexpr char kRunResults[] = "RunResults";
// A finished run's bad rows to fix, a page at a time (GET), the page's
// corrections sent again (POST), and a verified run imported as its rows now
// stand (POST).
inline constexpr char kRunFix[] = "RunFix";
inline constexpr char kRunRecheck[] = "RunRecheck";
inline constexpr char kRunImport[] = "RunImport";
// A finished run's rows as errors.csv and results.csv (GET).
inline constexpr char kRunErrors[] = "RunErrors";
inline constexpr char kRunExport[] = "RunExport";
// The pages' script (GET).
inline constexpr char kRunScript[] = "RunScript";

// The largest upload request body the server reads, in bytes.
inline constexpr int32_t kLargestUploadBody = 32767;
// The largest request body of the run item by default (--max-run-bytes).
inline constexpr size_t kDefaultLargestRunBody = 64 * 1024 * 1024;

// Start page status codes, sent as the query key kStartStatusKey of the
// start address.
enum StartStatus : int16_t {
  kNoStatus = 0,
  kSignInRefused = 1,        // the database refused the user name or password
  kDatabaseUnreachable = 2,  // the sign-in could not reach the database
  kConnectionLost = 4,       // the upload could not connect to the database
  kLoggedOut = 5,
  kThrottled = 6,        // too many failed sign-ins: refused without trying
  kSessionTimedOut = 7,  // the request came after its session ended; carries kSessionEnded
};

// The response headers: a stable token below, and one line of reason.
inline constexpr char kStatusHeader[] = "X-Quorax-Status";
inline constexpr char kReasonHeader[] = "X-Quorax-Reason";

// Status tokens. A redirect to the start page carries the token of its code;
// one without a code carries kSessionEnded when the session had seen no page
// (it expired or was ended) and kStartPage otherwise.
inline constexpr char kUploadForm[] = "upload-form";            // signed in; the upload form
inline constexpr char kResultsPage[] = "results-page";          // an upload was run
inline constexpr char kResultsDownload[] = "results-download";  // results.csv follows
inline constexpr char kNoResults[] = "no-results";              // the session holds no run
inline constexpr char kUploadRefused[] = "upload-refused";      // nothing was sent to the database
inline constexpr char kSessionEnded[] = "session-ended";
inline constexpr char kServerRefused[] = "server-refused";  // a page of the host itself
inline constexpr char kStartPage[] = "start-page";          // back to the start, no other cause

// The token a redirect with start page status `code` carries.
const char* StartStatusToken(int16_t code);

// `text` as one header-safe line: "%", control bytes and bytes beyond ASCII
// become "%" and two upper-case hex digits. ReasonText undoes it exactly.
std::string ReasonHeaderValue(std::string_view text);
std::string ReasonText(std::string_view value);

}  // namespace quorax::contract

#endif  // QUORAX_CONTRACT_PAGE_CONTRACT_H_
