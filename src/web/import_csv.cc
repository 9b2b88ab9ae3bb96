#include <memory>
#include <string>

#include "common/errors.h"
#include "common/text.h"
#include "contract/page_contract.h"
#include "kept/kept_database.h"
#include "outcomes/csv_row_errors.h"
#include "rows/csv.h"
#include "rows/result_columns.h"
#include "tcdb/tcdb.h"
#include "web/main.h"
#include "web/read_upload.h"
#include "web/send_rows.h"
#include "web/upload_record.h"
#include "web/uploaded_report.h"

namespace quorax {

namespace {

// Keeps the rest of a file the reader never reached, for the download.
void KeepUnread(Session& session, const AcceptedUpload& upload) {
  session.SetText("Unread", upload.Unread);
  session.SetText("UnreadRows", std::to_string(upload.UnreadRows));
  session.SetText("LineEnd", upload.LineEnd);
}

}  // namespace

// The uploaded file is read and checked before the run's values are touched,
// so a refused upload (too large, malformed, too narrow, in an encoding the
// database cannot take) leaves the previous run's results whole; the refusal
// page links back to the upload form, which opens after "ImportCSV_Respond".
// So does a connection the database refuses: the table and outcomes in the
// session always belong to one run. An upload posted again after its run
// (a second click that waited for the first) is not run again: it gets the
// results of that run, so nothing is recorded twice.
void main::ImportCSV_Respond(WebHost& host) {
  if (!InPageOrder(host, {"SubmitCSV_Respond", "ImportCSV_Respond", "ImportDone_Respond"})) {
    return;
  }
  // A runner's report, sent here by a browser without scripts, is read as
  // a run: the upload reads only CSV.
  if (std::unique_ptr<SpoolFile> report = UploadedReport(host)) return BeginRun(host, *report);
  Session& session = host.session();
  const bool import = host.QueryValue("i") == "1";
  const bool after_run = !EqualsIgnoreCase(session.GetText("Last"), "SubmitCSV_Respond");
  session.SetText("Last", "ImportCSV_Respond");
  AcceptedUpload upload;
  try {
    upload = ReadUpload(host, import);
  } catch (const PlatformFailure&) {
    throw;
  } catch (const Error& refusal) {
    WriteRefusal(host, refusal.what(), Addresses.SubmitCSVAddress);
    return;
  }
  // The mode and the file: what a second submission of the same upload repeats.
  const std::string digest = (import ? "i" : "v") + upload.Digest;
  if (after_run && session.Contains("CSVData") && session.GetText("UploadDigest") == digest) {
    host.SetNextItem(contract::kImportDone);
    return;
  }
  const std::shared_ptr<CSV>& table = upload.Table;
  auto outcomes = std::make_shared<CSVRowErrors>();
  const UploadRecord record(import, table->Rows(), *outcomes);

  // The session's kept connection when it has one; one the server ended while
  // it sat idle is replaced before any row is sent.
  std::unique_ptr<TCDB> database = ConnectForRows(host);
  if (!database) return;
  session.SetText("Mode", import ? "Import" : "Verify");
  // Rows the reader never reached were never checked: no success to claim.
  session.SetBool("NoErrors", !upload.ReadStopped);
  session.SetBool("ReadStopped", upload.ReadStopped);
  session.SetObject("CSVErrors", outcomes);
  session.SetObject("CSVData", table);
  session.SetText("UploadDigest", "");
  const bool database_failed = SendRows(*database, table->Rows(), import, *outcomes, session);
  session.SetText("Encoding", upload.Encoding);
  session.SetText("ParseNote", upload.ParseNote);
  KeepUnread(session, upload);
  session.SetText("UploadDigest", digest);
  // After a database failure the connection may be broken: it is closed, and
  // the next upload connects afresh.
  if (!database_failed) KeepDatabase(Connections, session, std::move(database));
  host.SetNextItem(contract::kImportDone);
}

std::unique_ptr<TCDB> main::ConnectForRows(WebHost& host) {
  Session& session = host.session();
  std::unique_ptr<TCDB> database = TakeDatabase(Connections, session, ConnectionMaxAge);
  const int16_t connected = ConnectDatabase(Connections, session, DataSourceName, *database);
  if (connected == -1) {
    // A new connection checked the credentials again and they are refused now
    // (password changed, login withdrawn): the tester is signed out as a
    // refused sign-in is.
    host.AbandonSession();
    RedirectToStart(host, contract::kSignInRefused);
    return nullptr;
  }
  if (connected < 0) {
    RedirectToStart(host, contract::kConnectionLost, database->GetErrorString());
    return nullptr;
  }
  return database;
}

}  // namespace quorax
