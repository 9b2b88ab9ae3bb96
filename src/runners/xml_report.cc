#include "runners/report_readers.h"

#include <algorithm>
#include <cctype>

#include "common/text.h"
#include "runners/report_error.h"

namespace quorax::runners {

std::string PositionOf(const std::string& file, std::string_view bytes, size_t offset) {
  offset = std::min(offset, bytes.size());
  size_t line = 1;
  size_t line_start = 0;
  for (size_t i = 0; i < offset; ++i) {
    if (bytes[i] == '\n') {
      ++line;
      line_start = i + 1;
    }
  }
  // UTF-8 continuation bytes (10xxxxxx) do not start a character.
  size_t column = 1;
  for (size_t i = line_start; i < offset; ++i) {
    if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) ++column;
  }
  return file + ":" + std::to_string(line) + ":" + std::to_string(column);
}

namespace {

// Reports are a few levels deep; a limit lets every reader walk the tree
// recursively without letting a hostile file exhaust the stack.
constexpr int kMaxDepth = 256;

// Stops at the first node nested deeper than kMaxDepth. pugixml walks the
// tree without recursion.
class DepthCheck : public pugi::xml_tree_walker {
 public:
  bool for_each(pugi::xml_node& /*node*/) override { return depth() < kMaxDepth; }
};

// Without parse_doctype the DOCTYPE is skipped unread; parse_escapes expands only the predefined
// entities and character references.
constexpr unsigned kXmlFlags =
    pugi::parse_cdata | pugi::parse_escapes | pugi::parse_wconv_attribute | pugi::parse_eol;

// Raises ReportError for a failed parse (at `bytes`' offset) or a tree nested too deep.
void CheckLoaded(pugi::xml_document& doc, const pugi::xml_parse_result& result,
                 const std::string& file, const std::function<std::string()>& bytes) {
  if (!result) {
    throw ReportError(PositionOf(file, bytes(), static_cast<size_t>(result.offset)) +
                      ": malformed XML: " + result.description());
  }
  DepthCheck check;
  if (!doc.traverse(check)) {
    throw ReportError(file + ": elements are nested deeper than " + std::to_string(kMaxDepth) +
                      " levels");
  }
}

}  // namespace

ReportSink::ReportSink(RunnerReport& report, Take take)
    : started(report.started), report_(report), take_(std::move(take)) {}

void ReportSink::Add(RunnerTest test) {
  // Enough tests to amortise a hand-over, few enough to hold.
  constexpr size_t kSlice = 1000;
  report_.tests.push_back(std::move(test));
  if (take_ && !started.empty() && report_.tests.size() >= kSlice) Finish();
}

size_t ReportSink::Finish() {
  if (take_ && !report_.tests.empty()) {
    taken_ += report_.tests.size();
    take_(report_);
    report_.tests.clear();
  }
  return taken_ + report_.tests.size();
}

void LoadXml(pugi::xml_document& doc, const std::string& file, std::string_view bytes) {
  const pugi::xml_parse_result result =
      doc.load_buffer(bytes.data(), bytes.size(), kXmlFlags, pugi::encoding_auto);
  CheckLoaded(doc, result, file, [&] { return std::string(bytes); });
}

void LoadXmlInPlace(pugi::xml_document& doc, const std::string& file, std::string& bytes,
                    const std::function<std::string()>& original) {
  const pugi::xml_parse_result result =
      doc.load_buffer_inplace(bytes.data(), bytes.size(), kXmlFlags, pugi::encoding_auto);
  CheckLoaded(doc, result, file, original);
}

std::string_view LocalName(pugi::xml_node node) {
  const std::string_view name = node.name();
  const size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node ChildNamed(pugi::xml_node node, std::string_view local_name) {
  for (pugi::xml_node child : node.children()) {
    if (child.type() == pugi::node_element && LocalName(child) == local_name) return child;
  }
  return {};
}

std::string TextOf(pugi::xml_node node) {
  std::string text;
  for (pugi::xml_node child : node.children()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
      text += child.value();
  }
  return text;
}

std::string DateOf(std::string_view stamp) {
  const auto digits = [&](size_t from, size_t count) {
    return stamp.size() >= from + count &&
           std::all_of(stamp.begin() + static_cast<std::ptrdiff_t>(from),
                       stamp.begin() + static_cast<std::ptrdiff_t>(from + count),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
  };
  std::string date;
  if (digits(0, 4) && stamp.size() >= 10 && stamp[4] == '-' && digits(5, 2) && stamp[7] == '-' &&
      digits(8, 2)) {
    date = std::string(stamp.substr(0, 10));
  } else if (digits(0, 8) &&
             (stamp.size() == 8 || !std::isdigit(static_cast<unsigned char>(stamp[8])))) {
    date = std::string(stamp.substr(0, 4)) + "-" + std::string(stamp.substr(4, 2)) + "-" +
           std::string(stamp.substr(6, 2));
  }
  if (date.empty()) return date;
  const int month = std::stoi(date.substr(5, 2));
  const int day = std::stoi(date.substr(8, 2));
  return month >= 1 && month <= 12 && day >= 1 && day <= 31 ? date : std::string();
}

bool IsIdName(std::string_view name) {
  return EqualsIgnoreCase(name, "test_id") || EqualsIgnoreCase(name, "case_id") ||
         EqualsIgnoreCase(name, "testcase_id");
}

void AddIdAttributes(pugi::xml_node node, RunnerTest& test) {
  for (pugi::xml_attribute attribute : node.attributes()) {
    if (IsIdName(attribute.name())) test.ids.emplace_back(attribute.value());
  }
}

}  // namespace quorax::runners
