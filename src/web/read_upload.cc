#include "web/read_upload.h"

#include <algorithm>
#include <cctype>
#include <functional>

#include "common/errors.h"
#include "common/text.h"
#include "contract/page_contract.h"
#include "http/pages.h"
#include "rows/csv_tokenizer.h"
#include "rows/read_fault.h"
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
    throw Overflow("the upload is larger than 32,767 bytes, the most this server takes: " +
                   std::to_string(total) +
                   " bytes were sent, the file and the 200 or so bytes the browser adds around "
                   "it; split the file into smaller files and upload them one at a time");
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

constexpr std::string_view kBlank = " \t\r\n";

// True when nothing but spaces follows the header line: a file with a
// header and no data rows, which the reader reports as having no rows.
bool OnlyHeaderLine(std::string_view content) {
  const std::string_view line_end = DetectLineEnd(content);
  return !line_end.empty() &&
         TrimSpaces(content.substr(content.find(line_end) + line_end.size())).empty();
}

// The one sentence for a file that holds no data row: empty, a header line
// alone, or a header line above blank lines. `decoded` is the file as
// uploaded, before its last lines were tidied.
std::string NoRowsNote(std::string_view decoded, bool import) {
  const std::string nothing = import ? "nothing was imported." : "nothing was verified.";
  if (decoded.find_first_not_of(kBlank) == std::string_view::npos) {
    return "The file is empty, so " + nothing;
  }
  const size_t header_end = decoded.find('\n');
  if (header_end == std::string_view::npos ||
      decoded.find_first_not_of(kBlank, header_end) == std::string_view::npos) {
    const bool blank_lines_follow = header_end != std::string_view::npos &&
                                    decoded.find('\n', header_end + 1) != std::string_view::npos;
    if (!blank_lines_follow) return "The file holds only a header line, so " + nothing;
  }
  return "The file has no data rows below its header line, so " + nothing;
}

// The line of `text` that byte `offset` lies on, from 1.
int32_t LineAt(std::string_view text, size_t offset) {
  const std::string_view before = text.substr(0, std::min(offset, text.size()));
  return static_cast<int32_t>(1 + std::count(before.begin(), before.end(), '\n'));
}

// The bytes of `file` from the start of line `line` (from 1) on. Decoding
// keeps every LF of the file, so a line of the decoded text starts after as
// many LFs in the file (whose byte-order mark the text does not have).
std::string_view FromLine(std::string_view file, int32_t line) {
  size_t at = file.starts_with(kUtf8ByteOrderMark) ? kUtf8ByteOrderMark.size() : 0;
  for (int32_t n = 1; n < line && at < file.size(); ++n) {
    const size_t lf = file.find('\n', at);
    at = lf == std::string_view::npos ? file.size() : lf + 1;
  }
  return file.substr(at);
}

// The lines of `rest` that hold more than blanks.
int32_t LinesWithData(std::string_view rest) {
  int32_t lines = 0;
  for (size_t at = 0; at < rest.size();) {
    const size_t lf = std::min(rest.find('\n', at), rest.size());
    if (rest.substr(at, lf - at).find_first_not_of(kBlank) != std::string_view::npos) ++lines;
    at = lf + 1;
  }
  return lines;
}

// Fills the rest of `upload` that the reader never reached, and the sentence
// that says why and how much: where `table`, read from `text` (the decoded
// `file`), stopped.
void NoteUnreadRest(AcceptedUpload& upload, const CSV& table, std::string_view text,
                    std::string_view file) {
  const CSV::Stop stop = table.Stopped();
  const int32_t line = LineAt(text, stop.RowOffset);
  upload.Unread = std::string(FromLine(file, line));
  upload.UnreadRows = std::max<int32_t>(LinesWithData(upload.Unread), 1);
  upload.LineEnd = std::string(DetectLineEnd(text));
  const std::string cause = ReadFaultCause(table, text, LineAt(text, stop.RowsOffset));
  const std::string rows =
      upload.UnreadRows == 1 ? "1 row was" : std::to_string(upload.UnreadRows) + " rows were";
  upload.ParseNote = rows + " not read, from line " + std::to_string(line) + " on: " + cause +
                     ". Download Bad Rows hands them back as uploaded, after the bad rows "
                     "that were read, to correct and upload again.";
}

// Raises SubscriptOutOfRange for a table with data rows and fewer than
// kResultColumnsNeeded columns: every row sends all upload columns.
void RequireColumns(const CSV& table) {
  if (table.GetRows() > 0 && table.GetCols() < kResultColumnsNeeded) {
    throw SubscriptOutOfRange(TooFewColumnsMessage(table.GetCols()));
  }
}

// `address` as it is before escaping for an attribute: the page addresses
// hold "&amp;" for "&", and the refusal page escapes what it writes.
std::string Unescaped(std::string address) {
  for (size_t at = address.find("&amp;"); at != std::string::npos; at = address.find("&amp;", at)) {
    address.replace(at, 5, "&");
    ++at;
  }
  return address;
}

}  // namespace

AcceptedUpload ReadUpload(WebHost& host, bool import) {
  const std::string file = UploadedFile(host);
  UploadText decoded = DecodeUpload(file);
  const std::string text = CompleteLastLine(decoded.Text);
  auto table = std::make_shared<CSV>();
  const int16_t parsed = table->ProcessCSV(text);
  RequireColumns(*table);
  AcceptedUpload upload{std::move(table), std::move(decoded.Encoding), "", false, "", 0, "", ""};
  upload.Digest =
      std::to_string(file.size()) + ":" + std::to_string(std::hash<std::string>{}(file));
  if (parsed == -2 || (parsed == -3 && OnlyHeaderLine(text))) {
    upload.ParseNote = NoRowsNote(decoded.Text, import);
  } else if (parsed == -3) {
    upload.ReadStopped = true;
    NoteUnreadRest(upload, *upload.Table, text, file);
  }
  return upload;
}

void WriteRefusal(WebHost& host, const std::string& reason, const std::string& form_address) {
  host.SetStatus(400);
  MarkAnswer(host, contract::kUploadRefused, reason);
  std::string sentence = reason;
  if (!sentence.empty()) sentence[0] = static_cast<char>(std::toupper(sentence[0]));
  if (!sentence.ends_with('.')) sentence += '.';
  host.Write(RefusalPageHtml("The file was not accepted",
                             sentence +
                                 " Nothing was sent to the database; the results of the previous "
                                 "upload are unchanged.",
                             Unescaped(form_address), "Back to the upload form"));
  host.End();
}

}  // namespace quorax
