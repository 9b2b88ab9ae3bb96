#include <memory>
#include <string>

#include "common/errors.h"
#include "common/page_contract.h"
#include "common/text.h"
#include "outcomes/csv_row_errors.h"
#include "rows/result_columns.h"
#include "tcdb/tcdb.h"
#include "upload/csv.h"
#include "web/main.h"
#include "web/read_upload.h"
#include "web/send_rows.h"
#include "web/upload_record.h"

namespace quorax {

namespace {

// Closes the connection. After a database failure the connection may be gone
// already; the run's outcomes are in the session by then and are what the
// tester must see, so failing to close a dead connection is not raised.
void CloseAfterRun(TCDB& database, bool database_failed) {
  if (!database_failed) {
    database.Disconnect();
    return;
  }
  try {
    database.Disconnect();
  } catch (const PlatformFailure&) {
  }
}

}  // namespace

// The uploaded file is read and checked before the run's values are touched,
// so a refused upload (too large, malformed, too narrow, in an encoding the
// database cannot take) leaves the previous run's results whole; the refusal
// page links back to the upload form, which opens after "ImportCSV_Respond".
void main::ImportCSV_Respond(WebHost& host) {
  if (!InPageOrder(host, {"SubmitCSV_Respond"})) return;
  Session& session = host.session();
  session.SetText("Last", "ImportCSV_Respond");
  const bool import = host.QueryValue("i") == "1";
  AcceptedUpload upload;
  try {
    upload = ReadUpload(host, import);
  } catch (const PlatformFailure&) {
    throw;
  } catch (const Error& refusal) {
    WriteRefusal(host, refusal.what(), Addresses.SubmitCSVAddress);
    return;
  }
  const std::shared_ptr<CSV>& table = upload.Table;

  session.SetText("Mode", import ? "Import" : "Verify");
  // Rows the reader never reached were never checked: no success to claim.
  session.SetBool("NoErrors", !upload.ReadStopped);
  session.SetBool("ReadStopped", upload.ReadStopped);
  auto outcomes = std::make_shared<CSVRowErrors>();
  session.SetObject("CSVErrors", outcomes);
  const UploadRecord record(import, table->Rows(), *outcomes);

  TCDB database;
  if (database.Connect(DataSourceName, session.GetText("User"), session.GetText("Pass")) < 0) {
    RedirectToStart(host, contract::kConnectionLost, database.GetErrorString());
    return;
  }
  const bool database_failed = SendRows(database, table->Rows(), import, *outcomes, session);
  session.SetObject("CSVData", table);
  session.SetText("Encoding", upload.Encoding);
  session.SetText("ParseNote", upload.ParseNote);
  CloseAfterRun(database, database_failed);
  host.SetNextItem(contract::kImportDone);
}

}  // namespace quorax
