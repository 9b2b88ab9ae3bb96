#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "common/errors.h"
#include "common/stop_check.h"
#include "runners/case_mapping.h"
#include "runners/report_error.h"
#include "runners/runner_report.h"

namespace quorax::runners {
namespace {

// A report whose DTD nests entities ten deep (a billion "lol"s if expanded)
// and one whose entity names a local file: neither is expanded nor read.
constexpr const char* kEntityBomb = R"(<?xml version="1.0"?>
<!DOCTYPE lolz [
 <!ENTITY lol "lol">
 <!ENTITY lol1 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
 <!ENTITY lol2 "&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;">
 <!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">
 <!ENTITY lol4 "&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;">
 <!ENTITY lol5 "&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;">
 <!ENTITY lol6 "&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;">
 <!ENTITY lol7 "&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;">
 <!ENTITY lol8 "&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;">
 <!ENTITY lol9 "&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;">
]>
<testsuites><testsuite name="s"><testcase name="&lol9;"/></testsuite></testsuites>)";
constexpr const char* kExternalEntity = R"(<?xml version="1.0"?>
<!DOCTYPE testsuites [<!ENTITY secret SYSTEM "file:///etc/hostname">]>
<testsuites><testsuite><testcase name="&secret;"><failure message="&secret;"/></testcase></testsuite></testsuites>)";

std::string Nested(int depth) {
  std::string xml;
  for (int i = 0; i < depth; ++i) xml += "<testsuite>";
  xml += "<testcase name=\"deep\"/>";
  for (int i = 0; i < depth; ++i) xml += "</testsuite>";
  return xml;
}

std::string TempFile(const std::string& text) {
  char name[] = "/tmp/case-map-XXXXXX";
  const int fd = mkstemp(name);
  std::ofstream(name, std::ios::binary) << text;
  if (fd >= 0) close(fd);
  return name;
}

// The outcome of reading `bytes` from a file, in place, named "r.xml" in it.
std::string FileOutcome(const std::string& bytes, Format format) {
  const std::string path = TempFile(bytes);
  std::string outcome;
  try {
    ReadReportFile(path, format, [&](RunnerReport& report) {
      if (outcome.empty()) {
        outcome = "name=" + report.tests.at(0).name + " message=" + report.tests.at(0).message;
      }
    });
  } catch (const ReportError& e) {
    outcome = e.what();
  }
  std::remove(path.c_str());
  for (size_t at = outcome.find(path); at != std::string::npos; at = outcome.find(path)) {
    outcome.replace(at, path.size(), "r.xml");
  }
  return outcome;
}

// Every hostile or broken report either reads with nothing expanded (the
// first test's name as written) or raises a ReportError saying where and why,
// whether read from memory or parsed in place from a file.
TEST(RunnerHostileInput, IsReadLiterallyOrRefusedWithWhereAndWhy) {
  const std::string unknown =
      "r.xml: no format reads it (tried csv, junit, nunit, nunit2, xunit, trx, testng, robot, "
      "cucumber, behave, cucumber-messages, tap, catch2-xml, doctest-xml): ";
  const struct {
    std::string bytes;
    Format format;
    std::string expected;  // the error's start, or the first test's name and message
  } kCases[] = {
      {kEntityBomb, Format::Auto, "name=&lol9; message="},
      {kExternalEntity, Format::JUnit, "name=&secret; message=&secret;"},
      {"<testsuites>\n  <testsuite>\n    <testcase name=\"a\">\n  </testsuite>\n</testsuites>",
       Format::Auto, "r.xml:4:5: malformed XML: Start-end tags mismatch"},
      {"<testsuite>\n<testcase name=\"a\" x=\"1\n2\r\n&amp;\"/>\n<testcase name=\"b\" </testsuite>",
       Format::JUnit, "r.xml:5:20: malformed XML: Error parsing start element tag"},
      {"<testsuite><testcase name=\"caf\xC3\xA9\" x=\"1\" </testsuite>", Format::JUnit,
       "r.xml:1:40: malformed XML: Error parsing start element tag"},
      {"[\n  {\"name\": \"F\",\n   \"elements\": [}\n]", Format::Auto,
       "r.xml:3:17: malformed JSON"},
      {"{\"name\": \"F\"}", Format::Cucumber,
       "r.xml: a Cucumber report is an array of features, not a JSON object"},
      {"<testsuites><testsuite name=\"empty\" tests=\"0\"/></testsuites>", Format::Auto,
       "r.xml holds no test results"},
      {"[]", Format::Auto, "r.xml holds no test results"},
      {"", Format::Auto, unknown + "the file is empty"},
      {"\n \r\n", Format::Auto, unknown + "the file holds only blanks"},
      {"<html><body/></html>", Format::Auto,
       unknown + "XML whose root element <html> is not one Quorax reads"},
      {"{\"name\": \"F\"}", Format::Auto,
       unknown + "JSON that is neither an array of features nor messages"},
      {"{\"meta\": {}}\n{\"pickle\": [}\n", Format::Auto, "r.xml:2:13: malformed JSON"},
      {"<testsuites><testsuite><testcase name=\"a\"/></testsuite></testsuites>", Format::NUnit,
       "r.xml: the root element is <testsuites>, but a nunit report has <test-run>"},
      {Nested(300), Format::JUnit, "r.xml: elements are nested deeper than 256 levels"},
      {"TCID,TestDate\r\n1,2024-01-01\r\n", Format::Auto,
       "r.xml: a CSV file is not a runner report"},
      {"# a comment\n1..0 # SKIP no database\n", Format::Auto, "r.xml holds no test results"},
      {"ok 1\n" + std::string(1024, ' ') + "ok 1\n", Format::Auto,
       "r.xml:2: subtests are nested deeper than 256 levels"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.expected);
    std::string outcome;
    try {
      const RunnerReport report = ReadReport("r.xml", c.bytes, c.format);
      outcome = "name=" + report.tests.at(0).name + " message=" + report.tests.at(0).message;
    } catch (const ReportError& e) {
      outcome = e.what();
    }
    EXPECT_EQ(outcome.substr(0, c.expected.size()), c.expected) << outcome;
    EXPECT_EQ(FileOutcome(c.bytes, c.format), outcome);
  }
}

// Bad command-line input: an unknown format, a pattern that is not a regular
// expression, and case maps that are missing or malformed.
TEST(RunnerHostileInput, BadOptionsAreRefusedByName) {
  EXPECT_THROW(FormatNamed("xml"), ReportError);
  EXPECT_EQ(FormatNamed("TRX"), Format::Trx);
  const struct {
    std::string pattern, map_text;
    const char* expected;
  } kCases[] = {
      {"C([0-9]+", "", "--case-pattern \"C([0-9]+\" is not a regular expression"},
      {"(C[0-9]+)-\\1", "",
       "\" is not a pattern this server can run: invalid escape sequence: \\1"},
      {"C(?=[0-9])", "", "\" is not a pattern this server can run: "},
      {"", "test,id\nx,C1\n", "the case map has no column \"case\""},
      {"", "Test,Case\nlogin,C1 X2\n", ":2: \"X2\" is not a case id"},
      {"", "test,case\n\"login,C1\n", ": a quoted field is not closed"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.expected);
    const std::string map = c.map_text.empty() ? std::string() : TempFile(c.map_text);
    try {
      LoadCaseRules(c.pattern, map);
      ADD_FAILURE() << "accepted";
    } catch (const ReportError& e) {
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
    }
    if (!map.empty()) std::remove(map.c_str());
  }
  EXPECT_THROW(LoadCaseRules("", "/nonexistent/map.csv"), ReportError);
}

// Bytes malloc holds now, and the most it held above `base` at any stop check of a reading, which
// every reading asks all along; the check raises Stopped at its `stop_at`th ask.
struct Watch {
  static int64_t Held() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<int64_t>(info.uordblks + info.hblkhd);
  }
  StopCheck Check() {
    return [this] {
      peak = std::max(peak, Held() - base);
      if (++asks == stop_at) throw Stopped("stopped");
    };
  }
  int64_t base = Held(), peak = 0;
  int asks = 0, stop_at = -1;
};

// What reading and mapping the report `path` with `pattern` gives: "TESTS tests, MAPPED mapped",
// or the ReportError's message.
std::string ReadAndMap(const std::string& path, const std::string& pattern, const StopCheck& stop) {
  const CaseRules rules = LoadCaseRules(pattern, "");
  CaseGrouping grouping(rules);
  const RunFields fields{"1", "p", "b", "t", "2024-01-01"};
  size_t tests = 0, mapped = 0;
  try {
    ReadReportFile(
        path, Format::Auto,
        [&](RunnerReport& slice) {
          for (const RunnerTest& test : slice.tests) {
            AskToStop(stop);
            ++tests;
            mapped += grouping.Add(test, fields, 0).empty() ? 0 : 1;
          }
        },
        stop);
  } catch (const ReportError& e) {
    return e.what();
  }
  return std::to_string(tests) + " tests, " + std::to_string(mapped) + " mapped";
}

// `item(0)` + `item(1)` + ... + `item(times - 1)`.
std::string Repeated(size_t times, const std::function<std::string(size_t)>& item) {
  std::string text;
  for (size_t i = 0; i < times; ++i) text += item(i);
  return text;
}

// Reports shaped to multiply what a reader holds or does, or patterns that backtrack: each is read
// (or refused by name) holding at most a few times its size, and a stop check ends each reading.
TEST(RunnerHostileInput, ReadsInBoundedMemoryAndStopsWhenAsked) {
  const auto listed = [](size_t i, const std::string& value) {
    return (i == 0 ? "" : ",") + value;
  };
  const std::string feature_tags = Repeated(4000, [&](size_t i) {
    return listed(i, "{\"name\":\"@" + (i == 7 ? "C7" : "t" + std::to_string(i)) + "\"}");
  });
  const std::string scenarios =
      Repeated(4000, [&](size_t i) { return listed(i, R"({"type":"scenario","name":"s"})"); });
  const std::string robot_tests = Repeated(2500, [](size_t i) {
    return "<test name=\"t C" + std::to_string(i + 1) + "\"><status status=\"PASS\"/></test>";
  });
  const struct {
    std::string bytes, pattern, expected;
  } kCases[] = {
      {"<robot><suite name=\"" + std::string(1 << 20, 'S') + "\">" + robot_tests +
           "</suite></robot>",
       "", "2500 tests, 2500 mapped"},
      {std::string(20 << 20, '['), "", "r: values are nested deeper than 256 levels"},
      {"<testsuite><testcase name=\"C1\"/>" + Repeated(1 << 20, [](size_t) { return "<a/>"; }) +
           "</testsuite>",
       "", "r: reading it would take more than 33 MiB of memory for its elements"},
      {"[{\"name\":\"F\",\"tags\":[" + feature_tags + "],\"elements\":[" + scenarios + "]}]", "",
       "4000 tests, 4000 mapped"},
      {"<testsuite><testcase name=\"C1 " + std::string(20000, 'a') + "\"/></testsuite>", "(a|b)*",
       "1 tests, 0 mapped"},
      {"<testsuite><testcase name=\"C1 " + std::string(26, 'a') + "\"/></testsuite>", "(a*)*b",
       "1 tests, 0 mapped"},
      {"TAP version 14\n" + Repeated(20000,
                                     [](size_t i) {
                                       return "# Subtest: s\n    not ok 1 - " +
                                              std::string(2000, 'a') +
                                              "\n      ---\n      message: |\n        why\n"
                                              "      ...\nnot ok " +
                                              std::to_string(i + 1) + " - C1 t\n";
                                     }),
       "", "20000 tests, 20000 mapped"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.expected);
    const std::string path = TempFile(c.bytes);
    Watch watch;
    std::string outcome = ReadAndMap(path, c.pattern, watch.Check());
    if (outcome.starts_with(path)) outcome.replace(0, path.size(), "r");
    EXPECT_EQ(outcome.substr(0, c.expected.size()), c.expected) << outcome;
    EXPECT_LT(watch.peak, 5 * static_cast<int64_t>(c.bytes.size()) + (24 << 20));
    Watch stopping;
    stopping.stop_at = std::max(1, watch.asks / 2);
    EXPECT_THROW(ReadAndMap(path, c.pattern, stopping.Check()), Stopped);
    std::remove(path.c_str());
  }
}

}  // namespace
}  // namespace quorax::runners
