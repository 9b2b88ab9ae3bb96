#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/text.h"
#include "contract/page_contract.h"
#include "kept/kept_database.h"
#include "outcomes/row_state.h"
#include "sessions/session.h"
#include "web/answer_status.h"
#include "web/fix_view.h"
#include "web/main.h"
#include "web/posted_rows.h"
#include "web/run_words.h"
#include "web/run_work.h"
#include "web/send_again.h"

namespace quorax {

namespace {

// Bad rows on one page of a run's fix view: few enough that the page's form,
// every cell a field, stays within the body limit of a plain request.
constexpr int32_t kRunFixRowsPerPage = 40;
constexpr char kPageField[] = "p";

// The page number `text` names, 1 when it names none.
int32_t PageNumber(const std::string& text) {
  return static_cast<int32_t>(std::clamp<int64_t>(QueryNumber(text, 1), 1, INT32_MAX));
}

// One page of a run's bad rows as a table of their own, as they now stand,
// each row's origin its number in the file, with their outcomes. The rows
// the database judged come first, in file order, then those it has not, so
// that the outcomes stand at the rows' own positions (CSVRowErrors).
struct FixPage {
  int32_t page = 1;   // from 1, within 1..pages
  int32_t pages = 1;  // at least 1
  int32_t first_shown = 1;
  int32_t bad_count = 0;
  RowTable table;
  CSVRowErrors outcomes;
};

std::unique_ptr<FixPage> ReadFixPage(const FileRun& run, int32_t page) {
  auto fix = std::make_unique<FixPage>();
  const std::vector<int32_t> bad = run.BadRowNumbers();
  fix->bad_count = static_cast<int32_t>(bad.size());
  fix->pages = std::max(1, (fix->bad_count + kRunFixRowsPerPage - 1) / kRunFixRowsPerPage);
  fix->page = std::clamp(page, 1, fix->pages);
  const auto first = static_cast<size_t>((fix->page - 1) * kRunFixRowsPerPage);
  fix->first_shown = static_cast<int32_t>(first) + 1;
  const std::span<const int32_t> shown =
      std::span(bad).subspan(first, std::min<size_t>(bad.size() - first, kRunFixRowsPerPage));
  std::vector<FileRun::Row> rows = run.RowsAt(shown);
  std::stable_partition(rows.begin(), rows.end(), [](const FileRun::Row& row) {
    return row.state != RowState::NotProcessed;
  });
  // Only the bytes of the page's own rows are read.
  std::map<int32_t, std::vector<std::string>> cells;  // file row number -> cells as they now stand
  const FileRun::RowCells corrections = run.Corrections();
  run.ReadRows(shown, [&](const RowTable& read, std::span<const int32_t> numbers) {
    if (fix->table.Header().empty()) fix->table = RowTable(read.Header());
    for (size_t index = 0; index < numbers.size(); ++index) {
      const auto corrected = corrections.find(numbers[index]);
      std::vector<std::string>& values = cells[numbers[index]];
      for (int32_t col = 0; col < read.Columns(); ++col) {
        values.emplace_back(corrected != corrections.end()
                                ? corrected->second.at(static_cast<size_t>(col))
                                : read.Cell(static_cast<int32_t>(index), col));
      }
    }
  });
  for (const FileRun::Row& row : rows) {
    fix->table.AddRow(std::span<const std::string>(cells.at(row.number)),
                      RowOrigin{row.number, 0, ""});
    if (row.state == RowState::NotProcessed) continue;
    const auto position = static_cast<int16_t>(fix->table.RowCount());
    fix->outcomes.Add(position, row.code);
    fix->outcomes.Item(position)->ExtraInfo = row.extra;
  }
  return fix;
}

// True when a run that ended as `stage` has rows to fix and send again: one
// that failed before sending was never read whole.
bool CanFix(FileRun::Stage stage) {
  return stage == FileRun::Stage::kDone || stage == FileRun::Stage::kCancelled;
}

// The rows of `fix` (from 1) to send again: those `posted` changes, and
// those the database has not judged.
std::vector<int32_t> RowsToSend(const FixPage& fix, const RunCorrections::RowCells& posted) {
  std::vector<int32_t> changed;
  for (const auto& [row, cells] : posted) {
    if (!RowHasCells(fix.table, row, cells)) changed.push_back(row);
  }
  return RowsToSendAgain(changed, fix.table.RowCount(), fix.outcomes);
}

}  // namespace

std::shared_ptr<FileRun> main::FixableRun(WebHost& host) const {
  std::shared_ptr<FileRun> run = SessionRun(host);
  if (run == nullptr || CanFix(run->Snapshot().stage)) return run;
  RedirectAndEnd(host, RunItemAddress(contract::kRunResults));
  return nullptr;
}

void main::RunFix_Respond(WebHost& host) {
  const std::shared_ptr<FileRun> run = FixableRun(host);
  if (run == nullptr) return;
  const std::unique_ptr<FixPage> fix = ReadFixPage(*run, PageNumber(host.QueryValue(kPageField)));
  const std::string here = RunItemAddress(contract::kRunFix);
  const std::string links = "<p class=\"pages\">" + PageLinks(here, fix->page, fix->pages) +
                            "<a href=\"" + HtmlEscape(RunItemAddress(contract::kRunResults)) +
                            "\">Back to the results</a></p>\r\n";
  if (fix->bad_count == 0) {
    return WriteRunPage(host, "Fix bad rows",
                        "<p>No row of this run is bad: there is nothing to fix.</p>\r\n" + links);
  }
  std::vector<int32_t> shown(static_cast<size_t>(fix->table.RowCount()));
  for (size_t i = 0; i < shown.size(); ++i) shown[i] = static_cast<int32_t>(i) + 1;
  const std::string form =
      DrawFixForm(fix->table, fix->outcomes, shown,
                  {HtmlEscape(RunItemAddress(contract::kRunRecheck)),
                   HiddenField(kPageField, std::to_string(fix->page)), run->FixStamp(),
                   run->order().import, fix->first_shown, fix->bad_count});
  WriteRunPage(host, "Fix bad rows", form + links);
}

// The form is checked whole before anything changes; the connection comes
// before the cells are taken, so the rows shown always match their outcomes.
void main::RunRecheck_Respond(WebHost& host) {
  const std::shared_ptr<FileRun> run = FixableRun(host);
  if (run == nullptr) return;
  const std::unique_ptr<FixPage> fix = ReadFixPage(*run, PageNumber(host.FormValue(kPageField)));
  RunCorrections::RowCells posted;
  try {
    posted = PostedRows(host, fix->table, fix->outcomes, run->FixStamp());
  } catch (const InvalidArgument& refusal) {
    return RefuseRunForm(host, refusal.what());
  }
  const std::vector<int32_t> rows = RowsToSend(*fix, posted);
  if (!rows.empty()) {
    std::unique_ptr<TCDB> database = ConnectForRows(host);
    if (!database) return;
    Session scratch;  // SendRows notes "NoErrors"; the run keeps its own tally
    const std::shared_ptr<CSVRowErrors> merged =
        SendAgain(*database, AsNowStands(fix->table, 1, posted), rows, run->order().import,
                  fix->outcomes, scratch);
    FileRun::RowCells cells;
    for (const auto& [row, values] : posted) cells.emplace(fix->table.Origin(row - 1).row, values);
    std::vector<FileRun::Judged> judged;
    bool failed = false;
    for (const int32_t row : rows) {
      if (row > merged->Count()) break;  // after a database failure: not sent
      const std::shared_ptr<CSVRowError> outcome = merged->Errors(row);
      judged.push_back({fix->table.Origin(row - 1).row, outcome->ErrorNumber, outcome->ExtraInfo});
      failed = failed || IsDatabaseFailure(outcome->ErrorNumber);
    }
    run->Rejudge(cells, judged);
    // After a database failure the connection may be broken: it is closed.
    if (!failed) KeepDatabase(Connections, host.session(), std::move(database));
  }
  RedirectAndEnd(host, RunItemAddress(contract::kRunResults));
}

// A second click, or a form shown for an earlier run, starts nothing.
void main::RunImport_Respond(WebHost& host) {
  const std::shared_ptr<FileRun> run = SessionRun(host);
  if (run == nullptr) return;
  const bool verified = run->Snapshot().stage == FileRun::Stage::kDone && !run->order().import;
  if (!verified || host.FormValue(kRunField) != std::to_string(run->FixStamp())) {
    return RefuseRunForm(host,
                         "This Import button was shown for an earlier run; the results now shown "
                         "are of another, so nothing was imported.");
  }
  RunOrder order = run->order();
  order.import = true;
  auto again = std::make_shared<FileRun>(std::move(order), run->Corrections());
  host.session().SetObject("FileRun", std::make_shared<HeldRun>(again));
  Runs.Submit(std::move(again));
  RedirectAndEnd(host, RunItemAddress(contract::kRunProgress));
}

void main::RefuseRunForm(WebHost& host, const std::string& reason) {
  host.SetStatus(400);
  MarkAnswer(host, contract::kUploadRefused, reason);
  WriteRunPage(host, "Fix bad rows",
               "<p class=\"note\" role=\"alert\">" + HtmlEscape(reason) +
                   "</p>\r\n<p>Nothing was sent to the database.</p>\r\n<p><a href=\"" +
                   HtmlEscape(RunItemAddress(contract::kRunResults)) +
                   "\">Back to the results</a></p>\r\n");
}

}  // namespace quorax
