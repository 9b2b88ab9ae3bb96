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
// fields, converts to exactly its expected CSV. The hand-written examples
// without a start time, and every report a real runner wrote (whose rows the
// demo database verifies), take the fixed date 2024-06-03.
TEST(RunnerExamples, ConvertToTheirExpectedRows) {
  const struct {
    const char* file;  // under examples/
    Format format;
  } kExamples[] = {
      {"runners/junit.xml", Format::JUnit},
      {"runners/nunit.xml", Format::NUnit},
      {"runners/xunit.xml", Format::XUnit},
      {"runners/trx.trx", Format::Trx},
      {"runners/testng.xml", Format::TestNG},
      {"runners/robot.xml", Format::Robot},
      {"runners/cucumber.json", Format::Cucumber},
      {"real-runners/pytest.xml", Format::JUnit},
      {"real-runners/behave.json", Format::Behave},
      {"real-runners/behave-junit.xml", Format::JUnit},
      {"real-runners/phpunit.xml", Format::JUnit},
      {"real-runners/gotestsum.xml", Format::JUnit},
      {"real-runners/ctest.xml", Format::JUnit},
      {"real-runners/testng.xml", Format::TestNG},
      {"real-runners/junit-platform.xml", Format::JUnit},
      {"real-runners/nunit2.xml", Format::NUnit2},
      {"real-runners/jest-junit.xml", Format::JUnit},
      {"real-runners/cucumber-js.json", Format::Cucumber},
      {"real-runners/cucumber-js-messages.ndjson", Format::CucumberMessages},
      {"real-runners/node-test.xml", Format::JUnit},
      {"real-runners/catch2-junit.xml", Format::JUnit},
      {"real-runners/googletest.xml", Format::JUnit},
      {"real-runners/boost-test.xml", Format::JUnit},
      {"real-runners/node-tap.xml", Format::JUnit},
      {"real-runners/doctest-junit.xml", Format::JUnit},
      {"real-runners/ava.tap", Format::Tap},
      {"real-runners/node-tap-tap.tap", Format::Tap},
      {"real-runners/prove.tap", Format::Tap},
      {"real-runners/bats.tap", Format::Tap},
      {"real-runners/pgtap.tap", Format::Tap},
      {"real-runners/catch2.xml", Format::Catch2},
      {"real-runners/doctest.xml", Format::Doctest},
  };
  const std::string folder = std::string(QUORAX_SOURCE_DIR) + "/examples/";
  for (const auto& example : kExamples) {
    SCOPED_TRACE(example.file);
    const std::string file = example.file;
    const std::string bytes = Slurp(folder + file);
    ASSERT_EQ(DetectFormat(bytes), example.format);
    const RunnerReport report = ReadReport(file, bytes, Format::Auto);
    const bool real = file.starts_with("real-runners/");
    const RunFields fields{"2.1", "Linux", "Chrome", "alice",
                           real || report.started.empty() ? "2024-06-03" : report.started};
    const Mapping mapping = MapTests(report, fields, LoadCaseRules("", ""));
    const std::string stem = file.substr(0, file.find('.', file.find('/')));
    EXPECT_EQ(ConvertedCsv(mapping), Slurp(folder + stem + ".expected.csv"));
    EXPECT_FALSE(mapping.unmapped.empty());
  }
}

}  // namespace
}  // namespace quorax::runners
