#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "runners/runner_report.h"

namespace quorax::runners {
namespace {

// A report read from its file comes in slices, in report order, each dated with the report's
// start even when the first suite has none and a later one gives it.
TEST(RunnerReportFile, HandsOverTestsInOrderInDatedSlices) {
  std::string xml = "<testsuites><testsuite name=\"undated\">";
  for (int n = 0; n < 2500; ++n) {
    if (n == 1500) xml += "</testsuite><testsuite name=\"dated\" timestamp=\"2024-03-04T10:00\">";
    xml += "<testcase classname=\"s\" name=\"t" + std::to_string(n) + "\"/>";
  }
  xml += "</testsuite></testsuites>";
  const std::string path = testing::TempDir() + "report_file_test.xml";
  std::ofstream(path, std::ios::binary) << xml;

  std::vector<std::string> names;
  size_t slices = 0;
  ReadReportFile(path, Format::Auto, [&](RunnerReport& slice) {
    ++slices;
    EXPECT_EQ(slice.format, "junit");
    EXPECT_EQ(slice.started, "2024-03-04");
    for (const RunnerTest& test : slice.tests) names.push_back(test.name);
  });
  std::remove(path.c_str());

  const RunnerReport whole = ReadReport("r.xml", xml, Format::JUnit);
  ASSERT_EQ(names.size(), whole.tests.size());
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(names[i], whole.tests[i].name);
  EXPECT_GT(slices, 1U);
}

}  // namespace
}  // namespace quorax::runners
