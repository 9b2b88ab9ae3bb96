#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/windows1252.h"
#include "web/fix_view.h"
#include "web/main.h"
#include "web/posted_rows.h"
#include "web/results_summary.h"
#include "web/run_words.h"

namespace quorax {

namespace {

// Rows on one page of a run's results. With every cell cut to its first
// kShownBytes, a page stays far below 1 MB whatever the file holds.
constexpr int32_t kRunRowsPerPage = 200;
constexpr size_t kShownBytes = 500;
// Unmapped tests listed by name; the rest are counted.
constexpr size_t kListedTests = 200;
// Tests of one case listed by name in its row (those the run keeps), with
// names cut to kTestNameBytes; the rest are counted, so that a page of rows
// stays small.
constexpr size_t kListedRowTests = KeptTests::kListed;
constexpr size_t kTestNameBytes = 200;

std::string Shown(const std::string& text, size_t most = kShownBytes) {
  if (text.size() <= most) return HtmlEscape(text);
  return HtmlEscape(text.substr(0, most)) + "&hellip;";
}

// One test of a report in a list: its name (UTF-8, as the report holds it)
// and its own result letter.
std::string TestItem(const std::string& name, const std::string& result, size_t most) {
  return "<li>" + Shown(Windows1252FromUtf8(name), most) + " (" + HtmlEscape(result) + ")</li>\r\n";
}

// "and N more" as the last item of a list cut after `listed` of `count`.
std::string MoreItem(size_t listed, size_t count) {
  if (count <= listed) return "";
  return "<li>and " + GroupedNumber(static_cast<int64_t>(count - listed)) + " more</li>\r\n";
}

// The tests of a report's row when it has more than one, each with its own
// result, as the command line's report lists them.
std::string RowTestList(const FileRun& run, int32_t number) {
  const FileRun::RowTests tests = run.TestsOf(number, kListedRowTests);
  if (tests.count < 2) return "";
  std::string list = "<details><summary>" + GroupedNumber(static_cast<int64_t>(tests.count)) +
                     " tests</summary><ul>\r\n";
  for (const cli::LedgerTest& test : tests.listed) {
    list += TestItem(test.name, test.result, kTestNameBytes);
  }
  return list + MoreItem(tests.listed.size(), tests.count) + "</ul></details>";
}

const char* OutcomeWords(RowState state) {
  switch (state) {
    case RowState::Passed:
      return "passed";
    case RowState::Rejected:
      return "rejected";
    case RowState::DatabaseFailure:
      return "database failure";
    case RowState::NotProcessed:
      return "not processed";
  }
  return "not processed";
}

// The report's tests that map to no test case.
std::string UnmappedList(const FileRun& run) {
  const std::vector<FileRun::Unmapped> tests = run.UnmappedTests();
  std::string text = "<p>The report's tests map to " + GroupedNumber(run.MappedTests()) +
                     " test results; " + GroupedNumber(static_cast<int64_t>(tests.size())) +
                     (tests.size() == 1 ? " test maps" : " tests map") + " to no test case and " +
                     (tests.size() == 1 ? "was" : "were") + " not sent.</p>\r\n";
  if (tests.empty()) return text;
  text += "<details><summary>Unmapped tests</summary><ul>\r\n";
  for (size_t i = 0; i < std::min(tests.size(), kListedTests); ++i) {
    text += TestItem(tests[i].name, tests[i].result, kShownBytes);
  }
  return text + MoreItem(kListedTests, tests.size()) + "</ul></details>\r\n";
}

// The rows table of one page of `run`.
std::string RowsTable(const FileRun& run, const std::vector<FileRun::Row>& rows) {
  const bool report = run.IsReport();
  std::string table = std::string("<table>\r\n<tr><th scope=\"col\">Row</th><th scope=\"col\">") +
                      (report ? "Test" : "Test case") +
                      "</th><th scope=\"col\">Outcome</th><th scope=\"col\">Reasons</th></tr>\r\n";
  for (const FileRun::Row& row : rows) {
    table += "<tr><td>" + std::to_string(row.number) + "</td><td>" + Shown(row.name) +
             (report ? RowTestList(run, row.number) : "") + "</td><td>" + OutcomeWords(row.state) +
             "</td><td>" + Shown(row.reasons) + "</td></tr>\r\n";
  }
  return table + "</table>\r\n";
}

// What the results offer beside the views: the fix view when some row did
// not pass, and after a verify that ran to its end, an import of the rows as
// they now stand. `fix` and `import` are the items' addresses.
std::string FixOffers(const FileRun& run, const FileRun::Progress& progress, bool any_bad,
                      const std::string& fix, const std::string& import) {
  const bool ended = progress.stage == FileRun::Stage::kDone;
  std::string html;
  if (any_bad && (ended || progress.stage == FileRun::Stage::kCancelled)) {
    html += "<p><a href=\"" + HtmlEscape(fix) +
            "\">Fix bad rows</a>: correct them in the page and send only those again.</p>\r\n";
  }
  if (ended && !run.order().import) {
    html += "<form method=\"post\" action=\"" + HtmlEscape(import) + "\">\r\n" +
            HiddenField(kRunField, std::to_string(run.FixStamp())) +
            "<button type=\"submit\">Import</button> the rows as they now stand, without "
            "sending the file again.\r\n</form>\r\n";
  }
  return html;
}

}  // namespace

// A page of the session's run's results, changing nothing. The view "bad"
// lists only rows that did not pass; "row" opens the page holding that row.
void main::RunResults_Respond(WebHost& host) {
  const std::shared_ptr<FileRun> run = SessionRun(host);
  if (run == nullptr) return;
  if (!run->Finished()) return RedirectAndEnd(host, RunItemAddress(contract::kRunProgress));
  const bool bad_view = host.QueryValue("v") == "bad";
  const FileRun::Progress progress = run->Snapshot();
  std::vector<int32_t> numbers;
  if (bad_view) numbers = run->BadRowNumbers();
  const RowTally tally = run->Tally();
  const int64_t count = bad_view ? static_cast<int64_t>(numbers.size()) : progress.total;
  const int64_t pages = std::max<int64_t>(1, (count + kRunRowsPerPage - 1) / kRunRowsPerPage);
  int64_t page = QueryNumber(host.QueryValue("p"), 1);
  const int64_t row = QueryNumber(host.QueryValue("row"), 0);
  if (row > 0) {
    const int64_t index =
        bad_view ? std::lower_bound(numbers.begin(), numbers.end(), row) - numbers.begin()
                 : row - 1;
    page = index / kRunRowsPerPage + 1;
  }
  page = std::clamp<int64_t>(page, 1, pages);
  std::vector<FileRun::Row> rows;
  const int64_t first = (page - 1) * kRunRowsPerPage;
  if (bad_view) {
    rows = run->RowsAt(std::span(numbers).subspan(
        static_cast<size_t>(first),
        static_cast<size_t>(std::min<int64_t>(count - first, kRunRowsPerPage))));
  } else {
    rows = run->Rows(static_cast<int32_t>(first + 1), kRunRowsPerPage);
  }
  const std::string view = bad_view ? "&v=bad" : "";
  const std::string here = RunItemAddress(contract::kRunResults);
  std::string content =
      "<p>File: " + HtmlEscape(run->order().file_name) + "</p>\r\n" + DrawRunSummary(tally);
  const std::string stop = StopSentence(progress);
  if (!stop.empty()) content += "<p class=\"note\">" + HtmlEscape(stop) + "</p>\r\n";
  if (run->IsReport()) content += UnmappedList(*run);
  content +=
      "<p class=\"pages\"><a href=\"" + HtmlEscape(here) + "\">All rows</a> <a href=\"" +
      HtmlEscape(here + "&v=bad") + "\">Rows that did not pass</a> <a href=\"" +
      HtmlEscape(RunItemAddress(contract::kRunErrors)) + "\">Download errors.csv</a> <a href=\"" +
      HtmlEscape(RunItemAddress(contract::kRunExport)) + "\">Download results.csv</a> <a href=\"" +
      Addresses.SubmitCSVAddress + "\">Send another file</a></p>\r\n" +
      FixOffers(*run, progress, tally.passed < tally.rows, RunItemAddress(contract::kRunFix),
                RunItemAddress(contract::kRunImport));
  std::string pager = "<nav class=\"pages\" aria-label=\"Pages\">Page " + GroupedNumber(page) +
                      " of " + GroupedNumber(pages) + " " + PageLinks(here + view, page, pages);
  pager += "<form method=\"get\" action=\"" + HtmlEscape(Addresses.HostPageAddress) +
           "\"><input type=\"hidden\" name=\"WCI\" value=\"RunResults\"><input type=\"hidden\" "
           "name=\"WCU\" value=\"\">" +
           (bad_view ? "<input type=\"hidden\" name=\"v\" value=\"bad\">" : "") +
           "<label for=\"jump\">Go to data row</label> <input id=\"jump\" name=\"row\" "
           "type=\"number\" min=\"1\" inputmode=\"numeric\"> <button type=\"submit\">Go</button>"
           "</form></nav>\r\n";
  content += pager + RowsTable(*run, rows);
  WriteRunPage(host, "Results of the run", content);
}

}  // namespace quorax
