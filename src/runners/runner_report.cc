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
// it has (first: the usual one) and its reader; for JSON and TAP, the reader
// of its bytes.
struct FormatEntry {
  Format format;
  std::string_view name;
  std::array<std::string_view, 2> roots;
  void (*read)(pugi::xml_node, ReportSink&);
  void (*read_text)(std::string_view, ReportSink&);
};

constexpr std::array<FormatEntry, 15> kFormats{{
    {Format::Auto, "auto", {}, nullptr, nullptr},
    {Format::Csv, "csv", {}, nullptr, nullptr},
    {Format::JUnit, "junit", {"testsuites", "testsuite"}, ReadJUnit, nullptr},
    {Format::NUnit, "nunit", {"test-run", {}}, ReadNUnit, nullptr},
    {Format::NUnit2, "nunit2", {"test-results", {}}, ReadNUnit2, nullptr},
    {Format::XUnit, "xunit", {"assemblies", {}}, ReadXUnit, nullptr},
    {Format::Trx, "trx", {"TestRun", {}}, ReadTrx, nullptr},
    {Format::TestNG, "testng", {"testng-results", {}}, ReadTestNG, nullptr},
    {Format::Robot, "robot", {"robot", {}}, ReadRobot, nullptr},
    {Format::Cucumber, "cucumber", {}, nullptr, ReadCucumber},
    {Format::Behave, "behave", {}, nullptr, ReadBehave},
    {Format::CucumberMessages, "cucumber-messages", {}, nullptr, ReadCucumberMessages},
    {Format::Tap, "tap", {}, nullptr, ReadTap},
    {Format::Catch2, "catch2-xml", {"Catch", "Catch2TestRun"}, ReadCatch2, nullptr},
    {Format::Doctest, "doctest-xml", {"doctest", {}}, ReadDoctest, nullptr},
}};

const FormatEntry* EntryOf(Format format) {
  for (const FormatEntry& entry : kFormats) {
    if (entry.format == format) return &entry;
  }
  return nullptr;
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

// The entry of `format` (Auto: the one `bytes` shows); raises ReportError for Csv and Unknown.
const FormatEntry& ReportEntry(const std::string& file, std::string_view bytes, Format format) {
  if (format == Format::Auto || format == Format::Unknown) format = KnownFormatOf(file, bytes);
  const FormatEntry* entry = EntryOf(format);
  if (entry == nullptr || (entry->read == nullptr && entry->read_text == nullptr)) {
    throw ReportError(file + ": a CSV file is not a runner report");
  }
  return *entry;
}

// Why no format reads `bytes`, which DetectFormat finds Unknown.
std::string WhyUnknown(std::string_view bytes) {
  const std::string_view content = Content(bytes);
  if (content.empty()) return bytes.empty() ? "the file is empty" : "the file holds only blanks";
  if (!content.starts_with("<")) return "JSON that is neither an array of features nor messages";
  pugi::xml_document doc;
  doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_minimal);
  const std::string_view root = LocalName(doc.document_element());
  return root.empty()
             ? "XML without an element"
             : "XML whose root element <" + std::string(root) + "> is not one Quorax reads";
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

std::string_view NameOf(Format format) {
  const FormatEntry* entry = EntryOf(format);
  return entry == nullptr ? "unknown" : entry->name;
}

std::vector<std::string_view> FormatNames() {
  std::vector<std::string_view> names;
  for (const FormatEntry& entry : kFormats) names.push_back(entry.name);
  return names;
}

Format DetectFormat(std::string_view bytes) {
  const std::string_view content = Content(bytes);
  if (content.empty()) return Format::Unknown;
  if (content.starts_with("[") || content.starts_with("{")) return DetectJsonFormat(content);
  if (!content.starts_with("<")) return LooksLikeTap(content) ? Format::Tap : Format::Csv;
  // The root element is known once its start tag is read: a prefix is
  // enough, and pugixml keeps the tree read before an error.
  constexpr size_t kPrefix = 64 * 1024;
  pugi::xml_document doc;
  pugi::xml_parse_result parsed =
      doc.load_buffer(bytes.data(), std::min(bytes.size(), kPrefix), pugi::parse_minimal);
  if (!doc.document_element() && bytes.size() > kPrefix) {
    parsed = doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_minimal);
  }
  const std::string_view root = LocalName(doc.document_element());
  // XML broken before its root element is read as JUnit, whose reader says where it breaks.
  if (root.empty()) return parsed ? Format::Unknown : Format::JUnit;
  for (const FormatEntry& entry : kFormats) {
    if (root == entry.roots[0] || root == entry.roots[1]) return entry.format;
  }
  return Format::Unknown;
}

Format KnownFormatOf(const std::string& file, std::string_view bytes) {
  const Format format = DetectFormat(bytes);
  if (format != Format::Unknown) return format;
  std::string tried;
  for (const FormatEntry& entry : kFormats) {
    if (entry.format != Format::Auto)
      tried += (tried.empty() ? "" : ", ") + std::string(entry.name);
  }
  throw ReportError(file + ": no format reads it (tried " + tried + "): " + WhyUnknown(bytes));
}

RunnerReport ReadReport(const std::string& file, std::string_view bytes, Format format) {
  const FormatEntry& entry = ReportEntry(file, bytes, format);
  RunnerReport report;
  report.format = std::string(entry.name);
  ReportSink sink(report, file, bytes.size());
  if (entry.read_text != nullptr) {
    entry.read_text(bytes, sink);
  } else {
    pugi::xml_document doc;
    LoadXml(doc, file, bytes);
    ReadXml(file, doc.document_element(), entry, sink);
  }
  if (report.tests.empty()) throw NoTestResults(file + " holds no test results");
  return report;
}

void ReadReportFile(const std::string& path, Format format, const ReportSink::Take& take,
                    const StopCheck& stop) {
  std::string bytes = FileBytes(path);
  AskToStop(stop);
  const FormatEntry& entry = ReportEntry(path, bytes, format);
  RunnerReport report;
  report.format = std::string(entry.name);
  ReportSink sink(report, path, bytes.size(), take, stop);
  if (entry.read_text != nullptr) {
    entry.read_text(bytes, sink);
  } else {
    pugi::xml_document doc;
    // Parsing alters the bytes but never their length: a file read again
    // at another length (a pipe, say) gives way to them.
    LoadXmlInPlace(
        doc, path, bytes,
        [&] {
          std::string again = FileBytes(path);
          return again.size() == bytes.size() ? again : bytes;
        },
        stop);
    ReadXml(path, doc.document_element(), entry, sink);
  }
  if (sink.Finish() == 0) throw NoTestResults(path + " holds no test results");
}

}  // namespace quorax::runners
