#include "runners/report_readers.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <new>

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

// Stops at the first node nested deeper than kMaxDepth, asking `stop` now
// and then. pugixml walks the tree without recursion.
class DepthCheck : public pugi::xml_tree_walker {
 public:
  explicit DepthCheck(const StopCheck& stop) : stop_(stop) {}
  bool for_each(pugi::xml_node& /*node*/) override {
    if (++nodes_ % 1024 == 0) AskToStop(stop_);
    return depth() < kMaxDepth;
  }

 private:
  const StopCheck& stop_;
  uint32_t nodes_ = 0;
};

// The tree being parsed on this thread: pugixml's allocations are spent from its budget and ask
// its stop check; a refused allocation ends the parse, and `failure` says why.
struct TreeReading {
  ReadingBudget budget;
  const StopCheck& stop;
  std::exception_ptr failure;
};
thread_local TreeReading* tree_reading = nullptr;

void* AllocateTree(size_t size) {
  if (TreeReading* reading = tree_reading; reading != nullptr && !reading->failure) {
    try {
      AskToStop(reading->stop);
      reading->budget.Spend(size, "elements");
    } catch (...) {
      reading->failure = std::current_exception();
    }
  }
  if (tree_reading != nullptr && tree_reading->failure) return nullptr;
  return ::operator new(size, std::nothrow);
}

void FreeTree(void* block) { ::operator delete(block); }

// Every pugixml allocation goes through AllocateTree from the start.
const bool kTreeAllocation = (pugi::set_memory_management_functions(AllocateTree, FreeTree), true);

// Runs `parse` (which fills `doc` from `file`'s `bytes` bytes) within its budget; rethrows what
// ended it early.
template <typename Parse>
pugi::xml_parse_result ParseCounted(const std::string& file, size_t bytes, const StopCheck& stop,
                                    Parse&& parse) {
  static_cast<void>(kTreeAllocation);
  TreeReading reading{ReadingBudget(file, bytes), stop, nullptr};
  tree_reading = &reading;
  const pugi::xml_parse_result result = parse();
  tree_reading = nullptr;
  if (reading.failure) std::rethrow_exception(reading.failure);
  return result;
}

// Without parse_doctype the DOCTYPE is skipped unread; parse_escapes expands only the predefined
// entities and character references.
constexpr unsigned kXmlFlags =
    pugi::parse_cdata | pugi::parse_escapes | pugi::parse_wconv_attribute | pugi::parse_eol;

// Raises ReportError for a failed parse (at `bytes`' offset) or a tree nested too deep.
void CheckLoaded(pugi::xml_document& doc, const pugi::xml_parse_result& result,
                 const std::string& file, const std::function<std::string()>& bytes,
                 const StopCheck& stop) {
  if (!result) {
    throw ReportError(PositionOf(file, bytes(), static_cast<size_t>(result.offset)) +
                      ": malformed XML: " + result.description());
  }
  DepthCheck check(stop);
  if (!doc.traverse(check)) {
    throw ReportError(file + ": elements are nested deeper than " + std::to_string(kMaxDepth) +
                      " levels");
  }
}

}  // namespace

ReadingBudget::ReadingBudget(const std::string& file, size_t bytes)
    : file_(file), limit_(4 * static_cast<uint64_t>(bytes) + (16 << 20)) {}

void ReadingBudget::Spend(uint64_t bytes, const char* what) {
  spent_ += bytes;
  if (spent_ <= limit_) return;
  constexpr uint64_t kMiB = 1 << 20;
  throw ReportError(file_ + ": reading it would take more than " +
                    std::to_string((limit_ + kMiB - 1) / kMiB) + " MiB of memory for its " + what +
                    " (a report may take 4 times its size plus 16 MiB)");
}

std::string_view CutText(std::string_view text, size_t bytes) {
  if (text.size() <= bytes) return text;
  size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::string JoinedName(std::string_view outer, std::string_view own) {
  // The own part, which tells a test from its neighbours, keeps at least half of the bytes.
  own = CutText(own, kTextBytes / 2);
  outer = CutText(outer, kTextBytes - own.size() - 1);
  std::string name;
  name.reserve(outer.size() + 1 + own.size());
  name += outer;
  name += '.';
  name += own;
  return name;
}

ReportSink::ReportSink(RunnerReport& report, const std::string& file, size_t bytes, Take take,
                       StopCheck stop)
    : started(report.started),
      report_(report),
      file_(file),
      take_(std::move(take)),
      stop_(std::move(stop)),
      budget_(file, bytes) {}

void ReportSink::Add(RunnerTest test) {
  // Enough tests to amortise a hand-over, few enough to hold.
  constexpr size_t kSlice = 1000;
  // What a test holds beyond its texts.
  constexpr uint64_t kTestBytes = 64;
  AskToStop(stop_);
  if (test.name.size() > kTextBytes) test.name.resize(CutText(test.name, kTextBytes).size());
  if (test.message.size() > kTextBytes) {
    test.message.resize(CutText(test.message, kTextBytes).size());
  }
  uint64_t cost = kTestBytes + test.name.size() + test.message.size();
  for (const std::string& id : test.ids) cost += kTestBytes / 2 + id.size();
  for (const std::string& tag : test.tags) cost += kTestBytes / 2 + tag.size();
  if (test.shared_tags && test.shared_tags.get() != shared_) {
    shared_ = test.shared_tags.get();
    for (const std::string& tag : *shared_) cost += kTestBytes / 2 + tag.size();
  }
  budget_.Spend(cost, "tests");
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

void LoadXml(pugi::xml_document& doc, const std::string& file, std::string_view bytes,
             const StopCheck& stop) {
  const pugi::xml_parse_result result = ParseCounted(file, bytes.size(), stop, [&] {
    return doc.load_buffer(bytes.data(), bytes.size(), kXmlFlags, pugi::encoding_auto);
  });
  CheckLoaded(
      doc, result, file, [&] { return std::string(bytes); }, stop);
}

void LoadXmlInPlace(pugi::xml_document& doc, const std::string& file, std::string& bytes,
                    const std::function<std::string()>& original, const StopCheck& stop) {
  const pugi::xml_parse_result result = ParseCounted(file, bytes.size(), stop, [&] {
    return doc.load_buffer_inplace(bytes.data(), bytes.size(), kXmlFlags, pugi::encoding_auto);
  });
  CheckLoaded(doc, result, file, original, stop);
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
