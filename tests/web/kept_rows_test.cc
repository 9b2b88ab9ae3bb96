#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/pieces.h"
#include "cli/sources.h"
#include "common/windows1252.h"
#include "contract/page_contract.h"
#include "kept/connection_keeper.h"
#include "rows/csv_writer.h"
#include "testing/closed_port.h"
#include "upload/upload_text.h"
#include "web/run_download.h"
#include "web/run_words.h"
#include "web/run_work.h"

namespace quorax {
namespace {

std::string Contents(const SpoolFile& file) {
  std::ifstream in(file.path(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A run of `content` read as the server reads it; the database is out of
// reach, so nothing is sent. Every row whose number is a multiple of 3 is
// then recorded as passed, the others as rejected.
std::shared_ptr<FileRun> ReadRun(const std::string& content) {
  auto file = std::make_shared<SpoolFile>();
  file->Append(content);
  auto run =
      std::make_shared<FileRun>(RunOrder{false, "run", file, "2.1", "Linux", "Chrome", "alice", "",
                                         "", "demo", "demo", testkit::kClosedPortDsn});
  ConnectionKeeper keeper(2, std::chrono::seconds(10), false);
  const std::atomic<bool> server_stopping{false};
  RunStop stop(*run, server_stopping, std::chrono::hours(1));
  CarryOutRun(*run, stop, keeper, std::chrono::minutes(5));
  CSVRowErrors outcomes;
  for (int32_t row = 1; row <= run->Snapshot().total; ++row) {
    outcomes.Add(static_cast<int16_t>(row), row % 3 == 0 ? 0 : -1);
  }
  run->Record(outcomes);
  run->SetStage(FileRun::Stage::kDone);
  return run;
}

// errors.csv as the readers make it when they read the file again: the
// header line and every row not recorded as passed.
std::string ErrorsReadAgain(const RunOrder& order, const std::string& encoding) {
  cli::Options options;
  options.files = {order.file->path()};
  options.quiet = true;
  std::tie(options.version, options.platform, options.browser, options.tester) =
      std::tie(order.version, order.platform, order.browser, order.tester);
  std::ostringstream notes;
  std::vector<cli::Source> sources = cli::OpenSources(options, notes, nullptr);
  cli::FileShape shape = cli::ShapeOf(*sources[0].csv);
  if (sources[0].report) shape.mark = kUtf8ByteOrderMark;
  sources[0].csv->clear();
  sources[0].csv->seekg(0);
  cli::PieceReader reader(*sources[0].csv, shape, contract::kLargestUploadBody);
  std::string text;
  while (const std::optional<cli::Piece> piece = reader.Next()) {
    const std::unique_ptr<CSV> table = cli::ReadPiece(*piece);
    const RowTable& rows = table->Rows();
    for (int32_t col = 0; piece->first_row == 1 && col < rows.Columns(); ++col) {
      AppendCsvField(text, HeaderName(rows.ColumnName(col)), col == 0);
    }
    if (piece->first_row == 1) text += kCsvLineEnd;
    for (int32_t row = 0; row < rows.RowCount(); ++row) {
      if ((piece->first_row + row) % 3 == 0) continue;
      AppendCsvCells(text, rows, row);
      text += kCsvLineEnd;
    }
  }
  if (encoding != kUtf8Encoding) return text;
  return std::string(kUtf8ByteOrderMark) + Utf8FromWindows1252(text);
}

// A CSV file of more than one piece whose cells hold quoted line breaks,
// quotes and a character beyond ASCII, its last row without a line end.
std::string QuotedCsv() {
  std::string csv = "TCID,TestDate,Version,Platform,Browser,Result,Tester,PR,Notes\r\n";
  for (int row = 1; row <= 600; ++row) {
    csv += std::to_string(row) + ",2024-06-03,2.1,Linux,Chrome,P,alice,,\"caf\xC3\xA9 \"\"" +
           std::to_string(row) + "\"\"\r\nsecond line\nthird " + std::string(40, 'x') + "\"";
    if (row < 600) csv += "\r\n";
  }
  return csv;
}

// A runner's report of more than one piece: case 1 has 25 tests, each other
// case one.
std::string Report() {
  std::string xml = "<testsuite timestamp=\"2024-06-03T10:00:00\">";
  for (int test = 0; test < 25; ++test) {
    xml += "<testcase classname=\"shop\" name=\"C1 step " + std::to_string(test) + "\"/>";
  }
  for (int test = 2; test <= 500; ++test) {
    xml += "<testcase classname=\"shop\" name=\"C" + std::to_string(test) + " " +
           std::string(60, 'n') + "\"><failure message=\"no\"/></testcase>";
  }
  return xml + "</testsuite>";
}

// The downloads and the fix view's rows come from the bytes kept when the
// run first read its file: a report's rows even once the report is gone.
TEST(KeptRowsTest, DownloadsAndFixRowsGiveTheBytesTheReadersGive) {
  for (const std::string& content : {QuotedCsv(), Report()}) {
    const std::shared_ptr<FileRun> run = ReadRun(content);
    const std::string expected = ErrorsReadAgain(run->order(), run->Encoding());
    if (run->IsReport()) std::filesystem::remove(run->order().file->path());
    EXPECT_EQ(Contents(*WriteRunDownload(*run, false)), expected) << run->IsReport();

    const std::vector<int32_t> numbers = {2, 499, 1, 500};
    std::vector<std::string> cells;
    run->ReadRows(numbers, [&](const RowTable& rows, std::span<const int32_t> group) {
      for (size_t row = 0; row < group.size(); ++row) {
        cells.emplace_back(rows.Cell(static_cast<int32_t>(row), 0));
      }
    });
    EXPECT_EQ(cells, (std::vector<std::string>{"2", "499", "1", "500"})) << run->IsReport();
  }
}

// A row's first tests and their count come without walking the case's tests.
TEST(KeptRowsTest, ReportRowsListTheirFirstTestsAndCount) {
  const std::shared_ptr<FileRun> run = ReadRun(Report());
  const FileRun::RowTests tests = run->TestsOf(1, 3);
  EXPECT_EQ(tests.count, 25u);
  ASSERT_EQ(tests.listed.size(), 3u);
  EXPECT_EQ(tests.listed[2].name, "shop.C1 step 2");
  EXPECT_EQ(run->TestsOf(2, 10).count, 1u);
  EXPECT_EQ(run->TestsOf(1, 100).listed.size(), KeptTests::kListed);
}

// A download is written off the caller's thread, and again once the rows change.
TEST(KeptRowsTest, DownloadsFollowTheRowsAsTheyNowStand) {
  const std::shared_ptr<FileRun> run = ReadRun(QuotedCsv());
  RunDownloads downloads(1);
  const auto Take = [&] {
    std::shared_ptr<SpoolFile> file;
    while (!(file = downloads.Take(run, false, std::chrono::milliseconds(50)))) {
    }
    return Contents(*file);
  };
  EXPECT_EQ(Take(), Contents(*WriteRunDownload(*run, false)));
  run->Rejudge({{1, std::vector<std::string>(9, "fixed")}}, {{1, -1, ""}});
  EXPECT_NE(Take().find("\"fixed\",\"fixed\""), std::string::npos);
}

}  // namespace
}  // namespace quorax
