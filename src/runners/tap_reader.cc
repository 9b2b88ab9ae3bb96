#include <cctype>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runners/report_error.h"
#include "runners/report_readers.h"
#include "runners/tap_lines.h"

// TAP 13 and 14 as node-tap, AVA, prove (Test::More), bats and pgTAP write it. A test is a point
// of the top level ("ok 3 - name # SKIP why") or a point that closes a subtest of assertions only;
// a subtest holding subtests is a suite whose name leads theirs ("# Subtest: name"), and a test
// itself only when it failed with none of its subtests failing. A failure's note comes from the
// YAML block below its point ("message", "error"), else from the first failed assertion of its
// subtest, else from the "#" comments below it. A plan that promises more tests than came, or a
// "Bail out!", adds one untested entry saying how many never ran.
namespace quorax::runners {
namespace {

constexpr size_t kMaxDepth = 256;
constexpr size_t kNone = std::string_view::npos;

// `outer` + "." + `own`, or `own` alone at the top level.
std::string PathOf(std::string_view outer, std::string_view own) {
  return outer.empty() ? std::string(CutText(own, kTextBytes)) : JoinedName(outer, own);
}

// What one level of subtests (the top level included) has seen so far.
struct Block {
  std::string path;     // the names of the subtests it lies in, joined; empty at the top level
  std::string failure;  // the note of its first failed assertion
  bool has_subtests = false;  // a point in it closed a subtest
  bool failed_test = false;   // a failed test was added from it or below it
  size_t points = 0;
  size_t planned = 0;  // 0: no plan seen
};

// The last point read, held until the lines that describe it (YAML, comments) have passed.
struct Pending {
  bool active = false;
  size_t depth = 0;
  TapPoint point;
  TapYaml yaml;
  std::string comments;  // the "#" lines below a failed point, boilerplate left out
  bool closes = false;   // it closes the subtest `inner`
  Block inner;
};

class TapStream {
 public:
  explicit TapStream(ReportSink& sink) : sink_(sink), blocks_(1) {}

  // Reads one line (`number` counts from 1); false after "Bail out!".
  bool Read(std::string_view line, size_t number) {
    sink_.Tick();
    if (yaml_.Read(line, pending_.yaml)) return true;
    const size_t indent = line.find_first_not_of(' ');
    if (indent == std::string_view::npos) return true;
    const std::string_view text = TapTrimmed(line.substr(indent));
    const size_t depth = indent / 4;
    if (text.empty()) return true;
    if (text.starts_with('#')) {
      Comment(depth, text, number);
    } else if (text.starts_with("Bail out!")) {
      bail_ = "Bail out!";
      if (const std::string_view why = TapTrimmed(text.substr(9)); !why.empty()) {
        bail_ += " " + std::string(CutText(why, kTextBytes));
      }
      return false;
    } else if (text == "---" && pending_.active && indent >= pending_.depth * 4) {
      yaml_.Start(indent);
    } else if (TapPoint point; ParseTapPoint(text, point)) {
      Flush();
      Point(depth, std::move(point), number);
    } else if (const size_t planned = TapPlanOf(text); planned != kNoPlan) {
      Flush();
      Open(depth, number);
      blocks_[depth].planned = planned;
    }
    return true;
  }

  // Adds what is still held: the last point, the subtests left open and the tests never run.
  void Finish() {
    Flush();
    while (blocks_.size() > 1) Unfinished();
    const Block& top = blocks_[0];
    if (top.planned <= top.points && (bail_.empty() || top.planned > 0)) return;
    RunnerTest missing;
    missing.verdict = Verdict::Untested;
    missing.message =
        "did not run: " + (bail_.empty() ? "the plan promised " + std::to_string(top.planned) +
                                               " tests, " + std::to_string(top.points) + " came"
                                         : bail_);
    const std::string first = std::to_string(top.points + 1), last = std::to_string(top.planned);
    if (top.planned == 0) {
      missing.name = "tests after Bail out!";
    } else if (top.points + 1 == top.planned) {
      missing.name = "test " + last + " of " + last + " planned, never reported";
    } else {
      missing.name = "tests " + first + " to " + last + " of " + last + " planned, never reported";
    }
    sink_.Add(std::move(missing));
  }

 private:
  void Comment(size_t depth, std::string_view text, size_t number) {
    const std::string_view body = TapTrimmed(text.substr(1));
    if (body.starts_with("Subtest:")) {
      Flush();
      // Announced at its parent's indentation, a subtest's first line may announce its own first
      // subtest: the level it opens comes first.
      if (announced_depth_ + 1 == depth && blocks_.size() == depth) Open(depth, number);
      announced_ = CutText(TapTrimmed(body.substr(8)), kTextBytes);
      announced_depth_ = depth;
    } else if (pending_.active && depth == pending_.depth && !pending_.point.ok) {
      AppendTapComment(pending_.comments, body);
    }
  }

  // Takes a point at `depth`: it closes the subtest one level deeper when there is one.
  void Point(size_t depth, TapPoint point, size_t number) {
    while (blocks_.size() > depth + 2) Unfinished();
    pending_.active = true;
    pending_.depth = depth;
    pending_.point = std::move(point);
    if (blocks_.size() == depth + 2) {
      pending_.closes = true;
      pending_.inner = std::move(blocks_.back());
      blocks_.pop_back();
    }
    Open(depth, number);
    ++blocks_[depth].points;
  }

  // Opens the levels down to `depth`, each named by the "# Subtest:" that announced it.
  void Open(size_t depth, size_t number) {
    if (depth >= kMaxDepth) {
      throw ReportError(sink_.file() + ":" + std::to_string(number) +
                        ": subtests are nested deeper than 256 levels");
    }
    while (blocks_.size() <= depth) {
      const size_t level = blocks_.size();
      std::string name;
      if (announced_depth_ + 1 == level || announced_depth_ == level) name = std::move(announced_);
      announced_.clear();
      announced_depth_ = kNone;
      Block block;
      block.path = name.empty() ? blocks_.back().path : PathOf(blocks_.back().path, name);
      blocks_.push_back(std::move(block));
    }
  }

  void Flush() {
    if (!pending_.active) return;
    pending_.active = false;
    yaml_.Stop();
    Block& block = blocks_[pending_.depth];
    const TapPoint& point = pending_.point;
    const bool failed = !point.ok && point.directive == TapDirective::None;
    const std::string note = TapNote(pending_.yaml, pending_.inner.failure, pending_.comments);
    if (pending_.closes) block.has_subtests = true;
    if (pending_.closes && pending_.inner.has_subtests) {
      block.failed_test |= pending_.inner.failed_test;
      if (failed && !pending_.inner.failed_test) AddTest(pending_.depth, point, note);
    } else if (pending_.closes || pending_.depth == 0) {
      AddTest(pending_.depth, point, note);
    } else if (failed && block.failure.empty()) {
      block.failure = point.description.empty() || note.empty() ? point.description + note
                                                                : point.description + ": " + note;
    }
    pending_ = Pending{};
  }

  void AddTest(size_t depth, const TapPoint& point, const std::string& note) {
    RunnerTest test;
    const std::string own = point.description.empty()
                                ? "test " + std::to_string(blocks_[depth].points)
                                : point.description;
    test.name = PathOf(blocks_[depth].path, own);
    TapVerdict(point, note, test);
    if (test.verdict == Verdict::Failed) blocks_[depth].failed_test = true;
    sink_.Add(std::move(test));
  }

  // Closes the innermost subtest, which no point closed (a run cut short or bailed out): a subtest
  // of assertions did not finish, unless one of them failed.
  void Unfinished() {
    Block inner = std::move(blocks_.back());
    blocks_.pop_back();
    Block& outer = blocks_.back();
    outer.failed_test |= inner.failed_test;
    if (inner.has_subtests && (inner.failure.empty() || inner.failed_test)) return;
    RunnerTest test;
    test.name = inner.path.empty() ? "unnamed subtest" : inner.path;
    test.verdict = inner.failure.empty() ? Verdict::Untested : Verdict::Failed;
    test.message = !inner.failure.empty() ? inner.failure
                   : bail_.empty()        ? "did not finish"
                                          : "did not finish: " + bail_;
    if (test.verdict == Verdict::Failed) outer.failed_test = true;
    sink_.Add(std::move(test));
  }

  ReportSink& sink_;
  std::vector<Block> blocks_;  // the top level, then each open subtest
  Pending pending_;
  TapYamlReader yaml_;
  std::string announced_;  // the name of the last "# Subtest:" not yet opened
  size_t announced_depth_ = kNone;
  std::string bail_;  // "Bail out! why" once read
};

}  // namespace

void ReadTap(std::string_view bytes, ReportSink& sink) {
  TapStream stream(sink);
  size_t number = 0;
  for (size_t start = 0; start < bytes.size();) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    if (!stream.Read(bytes.substr(start, end - start), ++number)) break;
    start = end + 1;
  }
  stream.Finish();
}

bool LooksLikeTap(std::string_view content) {
  for (size_t start = 0; start < content.size();) {
    size_t end = content.find('\n', start);
    if (end == std::string_view::npos) end = content.size();
    const std::string_view text = TapTrimmed(content.substr(start, end - start));
    start = end + 1;
    if (text.empty() || text.starts_with('#')) continue;
    TapPoint point;
    return text.starts_with("TAP version") || text.starts_with("Bail out!") ||
           TapPlanOf(text) != kNoPlan || ParseTapPoint(text, point);
  }
  return false;
}

}  // namespace quorax::runners
