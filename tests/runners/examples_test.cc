#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "runners/case_mapping.h"
#include "runners/converted_csv.h"
#include "runners/runner_report.h"

namespace quorax::runners {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Each example report, detected by content, read and mapped with the run's
// fields, converts to exactly its expected CSV. Reports without a start time
// take the fixed date 2024-06-03.
TEST(RunnerExamples, ConvertToTheirExpectedRows) {
  const struct {
    const char* file;
    Format format;
  } kExamples[] = {
      {"junit.xml", Format::JUnit},        {"nunit.xml", Format::NUnit},
      {"xunit.xml", Format::XUnit},        {"trx.trx", Format::Trx},
      {"testng.xml", Format::TestNG},      {"robot.xml", Format::Robot},
      {"cucumber.json", Format::Cucumber},
  };
  const std::string folder = std::string(QUORAX_SOURCE_DIR) + "/examples/runners/";
  for (const auto& example : kExamples) {
    SCOPED_TRACE(example.file);
    const std::string bytes = Slurp(folder + example.file);
    ASSERT_EQ(DetectFormat(bytes), example.format);
    const RunnerReport report = ReadReport(example.file, bytes, Format::Auto);
    const RunFields fields{"2.1", "Linux", "Chrome", "alice",
                           report.started.empty() ? "2024-06-03" : report.started};
    const Mapping mapping = MapTests(report, fields, LoadCaseRules("", ""));
    const std::string stem =
        std::string(example.file).substr(0, std::string(example.file).find('.'));
    EXPECT_EQ(ConvertedCsv(mapping), Slurp(folder + stem + ".expected.csv"));
    EXPECT_FALSE(mapping.unmapped.empty());
  }
}

}  // namespace
}  // namespace quorax::runners
