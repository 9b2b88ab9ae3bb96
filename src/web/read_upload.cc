#include "web/read_upload.h"

#include "common/errors.h"
#include "common/page_contract.h"
#include "common/text.h"
#include "rows/csv_tokenizer.h"
#include "rows/result_columns.h"
#include "upload/mpform.h"
#include "upload/upload_text.h"
#include "web/answer_status.h"

namespace quorax {

namespace {

// Returns the request body, one character per byte. Raises Overflow for a
// body of more than 32,767 bytes, before anything is read.
std::string ReadBody(WebHost& host) {
  const int32_t total = host.TotalBytes();
  if (total > contract::kLargestUploadBody) {
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
bool OnlyHeaderLine(std::string_view content) {
  const std::string_view line_end = DetectLineEnd(content);
  return !line_end.empty() &&
         TrimSpaces(content.substr(content.find(line_end) + line_end.size())).empty();
}

// Returns the sentence telling the tester where the reader stopped, or ""
// when the file was read to its end. `text` is what the reader got.
std::string ParseNote(int16_t parsed, const CSV& table, const std::string& text, bool import) {
  if (parsed == -2)
    return "The file could not be read: it has no line end, so no row was processed.";
  if (parsed == 0) return "";
  if (OnlyHeaderLine(text)) {
    return std::string("The file holds no data rows, so nothing was ") +
           (import ? "imported." : "verified.");
  }
  if (table.GetRows() == 0) {
    return "The file could not be read past its header line, so no row was processed.";
  }
  return "The file could not be read past data row " + std::to_string(table.GetRows()) +
         "; the rows after it were not processed.";
}

// Raises SubscriptOutOfRange for a table with data rows and fewer than
// kResultColumnsNeeded columns: every row sends all upload columns.
void RequireColumns(const CSV& table) {
  if (table.GetRows() > 0 && table.GetCols() < kResultColumnsNeeded) {
    throw SubscriptOutOfRange(TooFewColumnsMessage(table.GetCols()));
  }
}

}  // namespace

AcceptedUpload ReadUpload(WebHost& host, bool import) {
  UploadText upload = DecodeUpload(UploadedFile(host));
  const std::string text = CompleteLastLine(upload.Text);
  auto table = std::make_shared<CSV>();
  const int16_t parsed = table->ProcessCSV(text);
  RequireColumns(*table);
  std::string note = ParseNote(parsed, *table, text, import);
  const bool stopped = parsed == -2 || (parsed == -3 && !OnlyHeaderLine(text));
  return {std::move(table), std::move(upload.Encoding), std::move(note), stopped};
}

void WriteRefusal(WebHost& host, const std::string& reason, const std::string& form_address) {
  host.SetStatus(400);
  MarkAnswer(host, contract::kUploadRefused, reason);
  host.Write(
      "<!DOCTYPE html>\r\n<html lang=\"en\"><head><meta charset=\"windows-1252\">"
      "<title>Quorax - File not accepted</title></head>\r\n<body>\r\n"
      "<h1>The file was not accepted</h1>\r\n<p>" +
      HtmlEscape(reason) +
      "</p>\r\n<p>Nothing was sent to the database; the results of the previous upload are "
      "unchanged.</p>\r\n<p><a href=\"" +
      form_address + "\">Back to the upload form</a></p>\r\n</body></html>\r\n");
  host.End();
}

}  // namespace quorax
