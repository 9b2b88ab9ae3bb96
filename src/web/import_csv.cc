#include <memory>
#include <string>

#include "common/errors.h"
#include "common/text.h"
#include "outcomes/csv_row_errors.h"
#include "tcdb/result_row.h"
#include "tcdb/tcdb.h"
#include "upload/csv.h"
#include "upload/mpform.h"
#include "web/main.h"
#include "web/send_rows.h"

namespace quorax {

namespace {

// Every upload column is sent to the database; a table has one spare empty
// column, so one column fewer suffices and the last (Notes) is then empty.
constexpr int32_t kColumnsNeeded = kResultColumnCount - 1;
constexpr int32_t kLargestBody = 32767;

// Returns the request body, one character per byte. Raises Overflow for a
// body of more than 32,767 bytes, before anything is read.
std::string ReadBody(WebHost& host) {
  const int32_t total = host.TotalBytes();
  if (total > kLargestBody) {
    throw Overflow("the upload is larger than 32,767 bytes (" + std::to_string(total) +
                   " bytes were sent); split the file and upload the parts one at a time");
  }
  return total > 0 ? host.BinaryRead(total) : std::string();
}

// Returns the content of the part "csvfile". Raises MissingKey when the body
// holds no such part.
std::string UploadedFile(WebHost& host) {
  std::string body = ReadBody(host);
  MPForm form;
  form.ProcessSubmission(body);
  std::shared_ptr<FormPart>* part = form.Parts.Find("csvfile");
  if (part == nullptr) {
    throw MissingKey(
        "the upload holds no file: the request has no complete form part named \"csvfile\"");
  }
  return (*part)->Content;
}

// True when nothing but spaces follows the header line: a file with a
// header and no data rows, which the reader reports as having no rows.
bool OnlyHeaderLine(const std::string& content) {
  size_t end = content.find("\r\n");
  size_t skip = 2;
  if (end == std::string::npos) {
    end = content.find('\n');
    skip = 1;
  }
  return end != std::string::npos && TrimSpaces(content.substr(end + skip)).empty();
}

// Returns the sentence telling the tester where the reader stopped, or ""
// when the file was read to its end.
std::string ParseNote(int16_t parsed, const CSV& table, const std::string& content) {
  if (parsed == -2)
    return "The file could not be read: it has no line end, so no row was processed.";
  if (parsed == 0 || OnlyHeaderLine(content)) return "";
  if (table.GetRows() == 0) {
    return "The file could not be read past its header line, so no row was processed.";
  }
  return "The file could not be read past data row " + std::to_string(table.GetRows()) +
         "; the rows after it were not processed.";
}

// Raises SubscriptOutOfRange for a table with data rows and fewer than
// kColumnsNeeded columns: every row sends all upload columns.
void RequireColumns(const CSV& table) {
  if (table.GetRows() > 0 && table.GetCols() < kColumnsNeeded) {
    throw SubscriptOutOfRange("the file has " + std::to_string(table.GetCols()) +
                              (table.GetCols() == 1 ? " column" : " columns") +
                              ", but eight or nine are needed (TCID, Test Date, Version, "
                              "Platform, Browser, Result, Tester, PR and optionally Notes)");
  }
}

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

// The uploaded file is read and checked before the session is touched, so a
// body that is too large, malformed or too narrow leaves the previous run's
// results ("Mode", "NoErrors", "CSVErrors", "CSVData") whole and consistent.
void main::ImportCSV_Respond(WebHost& host) {
  if (!InPageOrder(host, {"SubmitCSV_Respond"})) return;
  Session& session = host.session();
  session.SetText("Last", "ImportCSV_Respond");
  const bool import = host.QueryValue("i") == "1";

  const std::string content = UploadedFile(host);
  auto table = std::make_shared<CSV>();
  const int16_t parsed = table->ProcessCSV(content);
  RequireColumns(*table);

  session.SetText("Mode", import ? "Import" : "Verify");
  session.SetBool("NoErrors", true);
  auto outcomes = std::make_shared<CSVRowErrors>();
  session.SetObject("CSVErrors", outcomes);

  TCDB database;
  if (database.Connect(DataSourceName, session.GetText("User"), session.GetText("Pass")) < 0) {
    RedirectAndEnd(host, StartAddress(host, "4"));
    return;
  }
  const bool database_failed = SendRows(database, *table, import, *outcomes, session);
  session.SetObject("CSVData", table);
  session.SetText("ParseNote", ParseNote(parsed, *table, content));
  CloseAfterRun(database, database_failed);
  host.SetNextItem("ImportDone");
}

}  // namespace quorax
