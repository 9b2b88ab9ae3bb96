#include "runners/runner_report.h"

#include <array>
#include <fstream>
#include <iterator>

#include "common/text.h"
#include "runners/report_error.h"
#include "runners/report_readers.h"

namespace quorax::runners {
namespace {

// One row per format: its command-line name and, for XML, the root elements
// it has (first: the usual one) and its reader.
struct FormatEntry {
  Format format;
  std::string_view name;
  std::array<std::string_view, 2> roots;
  void (*read)(pugi::xml_node, ReportSink&);
};

constexpr std::array<FormatEntry, 9> kFormats{{
    {Format::Auto, "auto", {}, nullptr},
    {Format::Csv, "csv", {}, nullptr},
    {Format::JUnit, "junit", {"testsuites", "testsuite"}, ReadJUnit},
    {Format::NUnit, "nunit", {"test-run", {}}, ReadNUnit},
    {Format::XUnit, "xunit", {"assemblies", {}}, ReadXUnit},
    {Format::Trx, "trx", {"TestRun", {}}, ReadTrx},
    {Format::TestNG, "testng", {"testng-results", {}}, ReadTestNG},
    {Format::Robot, "robot", {"robot", {}}, ReadRobot},
    {Format::Cucumber, "cucumber", {}, nullptr},
}};

const FormatEntry& EntryOf(Format format) {
  for (const FormatEntry& entry : kFormats) {
    if (entry.format == format) return entry;
  }
  return kFormats[0];
}

// The bytes after a UTF-8 byte order mark and leading white space.
std::string_view Content(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const size_t first = bytes.find_first_not_of(" \t\r\n");
  return first == std::string_view::npos ? std::string_view() : bytes.substr(first);
}

// Checks that `root` is a root of `entry`'s format, then reads it.
void ReadXml(const std::string& file, pugi::xml_node root, const FormatEntry& entry,
             ReportSink& sink) {
  const std::string_view name = LocalName(root);
  if (name.empty() || (name != entry.roots[0] && name != entry.roots[1])) {
    std::string roots = "<" + std::string(entry.roots[0]) + ">";
    if (!entry.roots[1].empty()) roots += " or <" + std::string(entry.roots[1]) + ">";
    throw ReportError(file + ": the root element is <" + std::string(name) + ">, but a " +
                      std::string(entry.name) + " report has " + roots);
  }
  entry.read(root, sink);
}

// The bytes of the file `path`, read with one allocation when it has a size.
std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) throw ReportError("the file \"" + path + "\" cannot be read");
  std::string bytes;
  const std::streamoff size = in.seekg(0, std::ios::end).tellg();
  if (size > 0 && in.seekg(0)) {
    bytes.resize(static_cast<size_t>(size));
    in.read(bytes.data(), size);
    bytes.resize(static_cast<size_t>(in.gcount()));
  } else {
    in.clear();
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (in.bad()) throw ReportError("the file \"" + path + "\" cannot be read");
  return bytes;
}

// The entry of `format` (Auto: the one `bytes` shows); raises ReportError for Csv.
const FormatEntry& ReportEntry(const std::string& file, std::string_view bytes, Format format) {
  if (format == Format::Auto) format = DetectFormat(bytes);
  if (format == Format::Csv || format == Format::Auto) {
    throw ReportError(file + ": a CSV file is not a runner report");
  }
  return EntryOf(format);
}

}  // namespace

Format FormatNamed(std::string_view name) {
  std::string names;
  for (const FormatEntry& entry : kFormats) {
    if (EqualsIgnoreCase(entry.name, name)) return entry.format;
    names += (names.empty() ? "" : ", ") + std::string(entry.name);
  }
  throw ReportError("unknown format \"" + std::string(name) + "\" (one of " + names + ")");
}

Format DetectFormat(std::string_view bytes) {
  const std::string_view content = Content(bytes);
  if (content.starts_with("[") || content.starts_with("{")) return Format::Cucumber;
  if (!content.starts_with("<")) return Format::Csv;
  // The root element is known once its start tag is read: a prefix is
  // enough, and pugixml keeps the tree read before an error.
  constexpr size_t kPrefix = 64 * 1024;
  pugi::xml_document doc;
  doc.load_buffer(bytes.data(), std::min(bytes.size(), kPrefix), pugi::parse_minimal);
  if (!doc.document_element() && bytes.size() > kPrefix) {
    doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_minimal);
  }
  const std::string_view root = LocalName(doc.document_element());
  for (const FormatEntry& entry : kFormats) {
    if (!root.empty() && (root == entry.roots[0] || root == entry.roots[1])) return entry.format;
  }
  return Format::JUnit;
}

RunnerReport ReadReport(const std::string& file, std::string_view bytes, Format format) {
  const FormatEntry& entry = ReportEntry(file, bytes, format);
  RunnerReport report;
  report.format = std::string(entry.name);
  if (entry.format == Format::Cucumber) {
    ReadCucumber(file, bytes, report);
  } else {
    pugi::xml_document doc;
    LoadXml(doc, file, bytes);
    ReportSink sink(report);
    ReadXml(file, doc.document_element(), entry, sink);
  }
  if (report.tests.empty()) throw NoTestResults(file + " holds no test results");
  return report;
}

void ReadReportFile(const std::string& path, Format format, const ReportSink::Take& take) {
  std::string bytes = FileBytes(path);
  const FormatEntry& entry = ReportEntry(path, bytes, format);
  RunnerReport report;
  report.format = std::string(entry.name);
  ReportSink sink(report, take);
  if (entry.format == Format::Cucumber) {
    RunnerReport whole = ReadReport(path, bytes, entry.format);
    sink.started = whole.started;
    for (RunnerTest& test : whole.tests) sink.Add(std::move(test));
  } else {
    pugi::xml_document doc;
    // Parsing alters the bytes but never their length: a file read again
    // at another length (a pipe, say) gives way to them.
    LoadXmlInPlace(doc, path, bytes, [&] {
      std::string again = FileBytes(path);
      return again.size() == bytes.size() ? again : bytes;
    });
    ReadXml(path, doc.document_element(), entry, sink);
  }
  if (sink.Finish() == 0) throw NoTestResults(path + " holds no test results");
}

}  // namespace quorax::runners
