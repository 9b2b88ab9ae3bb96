#ifndef QUORAX_RUNNERS_TAP_LINES_H_
#define QUORAX_RUNNERS_TAP_LINES_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "runners/runner_report.h"

// The lines of a TAP stream, one at a time: test points, plans, YAML diagnostics and comments,
// and what a test's verdict and note are made of. Internal to the runners library.
namespace quorax::runners {

// What TapPlanOf returns for a line that is not a plan.
constexpr size_t kNoPlan = std::string_view::npos;

// `text` without surrounding blanks, tabs and carriage returns.
std::string_view TapTrimmed(std::string_view text);

enum class TapDirective { None, Skip, Todo };

// One test point: "ok 3 - description # SKIP reason".
struct TapPoint {
  bool ok = false;
  std::string description;  // "\#" and "\\" unescaped, at most kTextBytes + 1 bytes
  TapDirective directive = TapDirective::None;
  std::string reason;  // the directive's
};

// Fills `point` from `text` (a line without its indentation) when it is a test point: "ok" or
// "not ok", an optional number and "-", a description ending at the first unescaped "#", then an
// optional SKIP or TODO directive (any case). Returns false for another line.
bool ParseTapPoint(std::string_view text, TapPoint& point);

// N of a plan "1..N" (what follows it, such as "# SKIP why", aside); kNoPlan for another line.
size_t TapPlanOf(std::string_view text);

// The top-level scalars of a point's YAML block that say why it failed, each at most kTextBytes.
struct TapYaml {
  std::string message, error, name, assertion;
};

// Reads the YAML block below a point, from its "---" to its "...", into a TapYaml.
class TapYamlReader {
 public:
  // Opens a block whose "---" is indented `indent` spaces.
  void Start(size_t indent) { indent_ = indent; }
  void Stop();
  // When a block is open, takes `line` into `yaml` and returns true if the line belongs to the
  // block (its closing "..." included); a line indented less than "---" closes the block and is
  // left to the caller. Returns false when no block is open.
  bool Read(std::string_view line, TapYaml& yaml);

 private:
  size_t indent_ = std::string_view::npos;      // of "---"; npos when no block is open
  size_t key_indent_ = std::string_view::npos;  // of its top-level keys, once seen
  std::string* filling_ = nullptr;              // the value a block scalar ("|", ">") continues
};

// Adds the comment `body` (after its "#") to `comments`, one space apart and within kTextBytes,
// unless it is a runner's boilerplate around the reason ("Failed test ...", "at FILE line N.",
// "(in test file ...)", "Looks like you failed ...").
void AppendTapComment(std::string& comments, std::string_view body);

// Why a point failed, in one line: the YAML's message or error, else `assertion` (the note of the
// first failed assertion of the subtest the point closes), else `comments`, else the YAML's
// error name and assertion ("AssertionError: t.is()"); empty when there is none.
std::string TapNote(const TapYaml& yaml, const std::string& assertion, const std::string& comments);

// Sets `test`'s verdict and message from `point` and its `note`: SKIP is Untested with its reason
// (else "skipped"); TODO is Untested, "expected to fail: REASON" when it failed and "to do: REASON"
// when it passed; otherwise "ok" is Passed and "not ok" Failed with the note.
void TapVerdict(const TapPoint& point, const std::string& note, RunnerTest& test);

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_TAP_LINES_H_
