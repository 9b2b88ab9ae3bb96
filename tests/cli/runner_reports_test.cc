#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/end_to_end_fixture.h"
#include "rows/csv_tokenizer.h"

namespace quorax::cli {
namespace {

const std::filesystem::path kExamples =
    std::filesystem::path(QUORAX_SOURCE_DIR) / "examples/runners";

class RunnerReportTest : public CommandLineFixture, public ::testing::WithParamInterface<bool> {
 protected:
  bool Tls() const override { return GetParam(); }
  // `args` with the run's fields, every row dated `day` (empty: the report's own date).
  static std::vector<std::string> With(std::vector<std::string> args, const std::string& day = "") {
    std::vector<std::string> fields = {"--product-version", "2.1",    "--platform", "Linux",
                                       "--browser",         "Chrome", "--tester",   "alice"};
    if (!day.empty()) fields.insert(fields.end(), {"--date", day});
    args.insert(std::find(args.begin(), args.end(), "--"), fields.begin(), fields.end());
    return args;
  }
  std::string FirstDay() const { return DayText(first_day_); }
};

INSTANTIATE_TEST_SUITE_P(Listeners, RunnerReportTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& listener) {
                           return listener.param ? "Tls" : "Plain";
                         });

// Each example report sends exactly its expected rows, every one verified,
// with its test beside it; converted, it is the expected file and verifies
// the same.
TEST_P(RunnerReportTest, EveryExampleSendsItsExpectedRowsAndItsConversionVerifiesTheSame) {
  int examples = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kExamples)) {
    const std::string report = entry.path().string();
    if (report.ends_with(".expected.csv")) continue;
    ++examples;
    const std::string expected_file =
        (kExamples / (entry.path().stem().string() + ".expected.csv")).string();
    const std::vector<std::vector<std::string>> expected = ReadRecords(ReadFile(expected_file));
    const std::string rows = std::to_string(expected.size() - 1);
    // A report without its own start time is dated like its expected rows.
    const std::string day = report.ends_with(".json") ? expected[1][1] : "";
    EXPECT_EQ(Run(With({"verify", report, "--report", Path("report.csv")}, day)), 0) << err_.str();
    EXPECT_NE(out_.str().find(rows + " rows: " + rows + " passed"), std::string::npos)
        << out_.str();
    std::vector<std::vector<std::string>> sent =
        ReadRecords(ReadFile(Path("report.csv")).substr(3));
    std::erase_if(sent, [](const auto& record) { return record[10] == "unmapped"; });
    ASSERT_EQ(sent.size(), expected.size()) << report;
    EXPECT_EQ(std::vector(sent[0].begin(), sent[0].begin() + 10), expected[0]) << report;
    for (size_t row = 1; row < sent.size(); ++row) {
      EXPECT_EQ(std::vector(sent[row].begin(), sent[row].begin() + 10), expected[row]) << report;
      EXPECT_EQ(sent[row][10], "ok") << report << " row " << row << ": " << sent[row][12];
    }
    EXPECT_EQ(Run(With({"convert", report, "--out", Path("run.csv")}, day)), 0) << err_.str();
    EXPECT_EQ(ReadFile(Path("run.csv")), ReadFile(expected_file)) << report;
    EXPECT_EQ(Run({"verify", Path("run.csv")}), 0) << err_.str();
    EXPECT_EQ(out_.str().find(rows + " rows: " + rows + " passed"), 0u) << out_.str();
  }
  EXPECT_GE(examples, 7);
}

// The test command runs first and its failure becomes the exit status once
// the rows are in; only the files it wrote are read; unmapped tests are
// reported, or rejected; a report without the run's fields or a malformed
// one is bad usage; reports without tests are skipped beside others; the
// tests of one case make one row; any name or message becomes rows the
// server takes, and the local outputs keep the names as they are.
TEST_P(RunnerReportTest, WrappedCommandUnmappedTestsAndBadReports) {
  const std::string junit = (kExamples / "junit.xml").string();
  const std::string mixed = std::string(QUORAX_SOURCE_DIR) + "/examples/mixed.csv";
  const std::string copy = "cp " + junit + " " + Path("fresh.xml");
  std::ofstream(Path("broken.xml")) << "<testsuite>\n<testcase name=\"a_C2\">\n";
  std::ofstream(Path("stale.xml")) << ReadFile(junit);
  std::filesystem::last_write_time(
      Path("stale.xml"), std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  for (const char* empty : {"empty1.xml", "empty2.xml"}) {
    std::ofstream(Path(empty)) << "<testsuites tests=\"0\"/>";
  }
  std::ofstream(Path("shared.xml"))
      << "<testsuite><testcase name=\"login C5 alice\"/><testcase name=\"login C5 bob\">"
         "<failure message=\"boom\"/></testcase><testcase name=\"C6 x\"><skipped/></testcase>"
         "<testcase name=\"\u30ED C999 a\"/><testcase name=\"\u30ED C999 b\"/></testsuite>";
  // Names and messages beyond Windows-1252 still make rows the server takes.
  std::ofstream(Path("unicode.xml"))
      << "<testsuite><testcase name=\"login \u2192 works C2\"/><testcase name=\"\u30ED C3\">"
         "<failure message=\"\u5931 boom\"/></testcase></testsuite>";
  unsetenv("QUORAX_TESTER");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;  // what the console holds
    std::string err;  // what standard error holds
  } cases[] = {
      {With({"import", Path("fresh.xml"), "--", "sh", "-c", copy + "; exit 3"}, FirstDay()), 3,
       "7 rows: 7 passed", ""},
      // A report the command did not write is an earlier run's: never sent.
      {With({"verify", Path("missing.xml"), "--", "true"}), 2, "",
       "no new report was written: " + Path("missing.xml") + " is missing\n"},
      {With({"verify", Path("stale.xml"), "--", "sh", "-c", "exit 127"}), 127, "",
       "was not changed by the command\n"},
      // A runner that found no tests keeps its own status.
      {With({"verify", Path("none.xml"), "--", "sh", "-c",
             "echo '<testsuite tests=\"0\"/>' >" + Path("none.xml") + "; exit 5"}),
       5, "", "none.xml holds no test results\n"},
      {With({"verify", Path("stale.xml"), Path("fresh.xml"), Path("empty1.xml"), "--", "sh", "-c",
             copy + "; touch " + Path("empty1.xml")}),
       0, "7 rows: 7 passed", "empty1.xml holds no test results; skipped\n"},
      {With({"verify", Path("empty1.xml"), Path("empty2.xml")}), 2, "",
       "no file holds any test results\n"},
      {With({"verify", Path("shared.xml"), "--report", Path("shared.csv")}), 1,
       "row 3, test case 999 (\u30ED C999 a and 1 more): rejected", ""},
      {With({"verify", junit, "--unmapped", "reject", "--junit", Path("j.xml"), "--json",
             Path("rows.jsonl")}),
       1,
       "test tests.test_signin.test_fixture_cleanup: unmapped (rejected): no test case id\n"
       "7 rows: 7 passed, 0 rejected, 0 database failure, 0 not processed; 7 tests: 6 mapped, 1 "
       "unmapped",
       ""},
      {{"verify", junit, "--product-version", "2.1", "--platform", "Linux"},
       2,
       "",
       "browser (--browser or QUORAX_BROWSER), tester (--tester or QUORAX_TESTER)\n"},
      {With({"verify", Path("broken.xml")}), 2, "", Path("broken.xml") + ":2:"},
      {With({"verify", Path("unicode.xml"), "--json", Path("unicode.jsonl")}), 0,
       "2 rows: 2 passed", "1 characters of the notes"},
      // Several files: one run, each line naming its file, one testsuite each.
      {With({"verify", mixed, junit, "--junit", Path("two.xml")}), 1,
       mixed + ": row 3, test case 999: rejected", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), c.status) << c.args[1] << err_.str();
    EXPECT_NE(out_.str().find(c.out), std::string::npos) << out_.str();
    EXPECT_NE(err_.str().find(c.err), std::string::npos) << err_.str();
  }
  EXPECT_NE(ReadFile(Path("j.xml")).find("<testsuites tests=\"8\" failures=\"1\""),
            std::string::npos);
  const std::string two = ReadFile(Path("two.xml"));
  EXPECT_NE(two.find("<testsuites tests=\"19\" failures=\"9\""), std::string::npos) << two;
  EXPECT_NE(two.find("<testsuite name=\"quorax verify " + junit + "\" tests=\"8\""),
            std::string::npos);
  const std::string json = ReadFile(Path("rows.jsonl"));
  EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 8);
  EXPECT_NE(
      json.find("{\"file\":\"" + junit +
                "\",\"test\":\"tests.test_signin.test_wrong_password\",\"result\":\"F\",\"case\":"
                "\"3\",\"row\":2,"
                "\"outcome\":\"ok\",\"code\":0,\"reasons\":\"Verified successfully.\"}\n"),
      std::string::npos)
      << json;
  EXPECT_NE(
      json.find(
          "\"test\":\"tests.test_signin.test_fixture_cleanup\",\"result\":\"P\",\"case\":\"\","
          "\"row\":null,"
          "\"outcome\":\"unmapped\""),
      std::string::npos);

  // Each test beside its case's row, with its own result; names as the runner wrote them.
  const std::string shared = ReadFile(Path("shared.csv"));
  EXPECT_NE(
      shared.find("\"F\",\"alice\",\"\",\"login C5 bob: boom\",\"login C5 alice\",\"ok\",\"0\","
                  "\"Verified successfully.\",\"P\"\r\n"),
      std::string::npos)
      << shared;
  EXPECT_EQ(std::count(shared.begin(), shared.end(), '\n'), 6);
  EXPECT_NE(ReadFile(Path("unicode.jsonl")).find("\"test\":\"\u30ED C3\",\"result\":\"F\""),
            std::string::npos);
}

}  // namespace
}  // namespace quorax::cli
