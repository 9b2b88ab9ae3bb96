#include <algorithm>
#include <string>
#include <vector>

#include "common/text.h"
#include "web/main.h"
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

std::string Shown(const std::string& text) {
  if (text.size() <= kShownBytes) return HtmlEscape(text);
  return HtmlEscape(text.substr(0, kShownBytes)) + "&hellip;";
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
    text += "<li>" + Shown(tests[i].name) + " (" + HtmlEscape(tests[i].result) + ")</li>\r\n";
  }
  if (tests.size() > kListedTests) {
    text += "<li>and " + GroupedNumber(static_cast<int64_t>(tests.size() - kListedTests)) +
            " more</li>\r\n";
  }
  return text + "</ul></details>\r\n";
}

// The rows table of one page.
std::string RowsTable(const std::vector<FileRun::Row>& rows, bool report) {
  std::string table = std::string("<table>\r\n<tr><th scope=\"col\">Row</th><th scope=\"col\">") +
                      (report ? "Test" : "Test case") +
                      "</th><th scope=\"col\">Outcome</th><th scope=\"col\">Reasons</th></tr>\r\n";
  for (const FileRun::Row& row : rows) {
    table += "<tr><td>" + std::to_string(row.number) + "</td><td>" + Shown(row.name) + "</td><td>" +
             OutcomeWords(row.state) + "</td><td>" + Shown(row.reasons) + "</td></tr>\r\n";
  }
  return table + "</table>\r\n";
}

// A whole number from query value `text`, or `fallback` when it is none.
int64_t QueryNumber(const std::string& text, int64_t fallback) {
  if (text.empty() || text.size() > 10 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return fallback;
  }
  return std::stoll(text);
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
    for (int64_t i = first; i < std::min(count, first + kRunRowsPerPage); ++i) {
      std::vector<FileRun::Row> one = run->Rows(numbers[static_cast<size_t>(i)], 1);
      rows.insert(rows.end(), one.begin(), one.end());
    }
  } else {
    rows = run->Rows(static_cast<int32_t>(first + 1), kRunRowsPerPage);
  }
  const std::string view = bad_view ? "&v=bad" : "";
  const std::string here = RunItemAddress(contract::kRunResults);
  std::string content =
      "<p>File: " + HtmlEscape(run->order().file_name) + "</p>\r\n" + DrawRunSummary(run->Tally());
  const std::string stop = StopSentence(progress);
  if (!stop.empty()) content += "<p class=\"note\">" + HtmlEscape(stop) + "</p>\r\n";
  if (run->IsReport()) content += UnmappedList(*run);
  content +=
      "<p class=\"pages\"><a href=\"" + HtmlEscape(here) + "\">All rows</a> <a href=\"" +
      HtmlEscape(here + "&v=bad") + "\">Rows that did not pass</a> <a href=\"" +
      HtmlEscape(RunItemAddress(contract::kRunErrors)) + "\">Download errors.csv</a> <a href=\"" +
      HtmlEscape(RunItemAddress(contract::kRunExport)) + "\">Download results.csv</a> <a href=\"" +
      Addresses.SubmitCSVAddress + "\">Send another file</a></p>\r\n";
  std::string pager = "<nav class=\"pages\" aria-label=\"Pages\">Page " + GroupedNumber(page) +
                      " of " + GroupedNumber(pages) + " ";
  if (page > 1) {
    pager += "<a href=\"" + HtmlEscape(here + view + "&p=" + std::to_string(page - 1)) +
             "\" rel=\"prev\">Previous page</a>";
  }
  if (page < pages) {
    pager += "<a href=\"" + HtmlEscape(here + view + "&p=" + std::to_string(page + 1)) +
             "\" rel=\"next\">Next page</a>";
  }
  pager += "<form method=\"get\" action=\"" + HtmlEscape(Addresses.HostPageAddress) +
           "\"><input type=\"hidden\" name=\"WCI\" value=\"RunResults\"><input type=\"hidden\" "
           "name=\"WCU\" value=\"\">" +
           (bad_view ? "<input type=\"hidden\" name=\"v\" value=\"bad\">" : "") +
           "<label for=\"jump\">Go to data row</label> <input id=\"jump\" name=\"row\" "
           "type=\"number\" min=\"1\" inputmode=\"numeric\"> <button type=\"submit\">Go</button>"
           "</form></nav>\r\n";
  content += pager + RowsTable(rows, run->IsReport());
  WriteRunPage(host, "Results of the run", content);
}

}  // namespace quorax
