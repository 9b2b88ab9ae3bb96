#include <string>
#include <string_view>

#include "runners/report_readers.h"

// The XML of two C++ test frameworks that report each assertion: Catch2's (<Catch> of <Group>s
// in 2.x, <Catch2TestRun> in 3.x) and doctest's (<doctest> of <TestSuite>s). A <TestCase> is one
// test; its failures lie anywhere below it, in <Section>s or <SubCase>s, and its overall result
// says whether it passed. Catch2's tags and doctest's descriptions are searched for case ids. A
// test allowed to fail (Catch2's [!shouldfail] and [!mayfail], doctest's should_fail, may_fail
// and expected_failures) that failed is untested, "expected to fail: WHY".
namespace quorax::runners {
namespace {

std::string Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

// Why the element `node` says its test failed, in one line: "CHECK( a == 1 ): 2 == 1" for a
// failed assertion, the text of an exception, a fatal error or an explicit failure; empty for
// any other element.
std::string FailureOf(pugi::xml_node node) {
  const std::string_view name = node.name();
  if (name == "Expression") {
    if (node.attribute("success").as_bool(true)) return {};
    const std::string original = Trimmed(TextOf(node.child("Original")));
    const std::string expanded = Trimmed(TextOf(node.child("Expanded")));
    std::string what = std::string(node.attribute("type").value()) + "( " + original + " )";
    if (!expanded.empty() && expanded != original) what += ": " + expanded;
    if (const pugi::xml_node thrown = node.child("Exception")) {
      what += ": unexpected exception: " + Trimmed(TextOf(thrown));
    }
    return what;
  }
  if (name == "Exception") return "unexpected exception: " + Trimmed(TextOf(node));
  if (name == "FatalErrorCondition") return "fatal error: " + Trimmed(TextOf(node));
  if (name == "Failure") return Trimmed(TextOf(node));
  // doctest's FAIL, FAIL_CHECK and ERROR messages; its warnings are no failure.
  if (name == "Message" && !std::string_view(node.attribute("type").value()).starts_with("WARN")) {
    return Trimmed(TextOf(node.child("Text")));
  }
  return {};
}

// The first failure at or below `node`, after the names of the sections it lies in ("remove an
// item: REQUIRE( n == 0 ): 1 == 0"), at most kTextBytes; empty when nothing failed.
std::string FirstFailure(pugi::xml_node node, ReportSink& sink) {
  for (pugi::xml_node child : node.children()) {
    sink.Tick();
    const std::string_view name = child.name();
    if (name == "Section" || name == "SubCase") {
      const std::string inner = FirstFailure(child, sink);
      if (inner.empty()) continue;
      return std::string(
          CutText(std::string(child.attribute("name").value()) + ": " + inner, kTextBytes));
    }
    if (std::string what = FailureOf(child); !what.empty()) {
      return std::string(CutText(what, kTextBytes));
    }
  }
  return {};
}

// How a test ended, as its runner's overall result says.
enum class Ending { Passed, Failed, Skipped, Unfinished };

// Sets `test`'s verdict and message from its `ending`, whether it was `allowed_to_fail`, its
// first `failure` and, for a skipped test, `skip_reason`.
void SetVerdict(RunnerTest& test, Ending ending, bool allowed_to_fail, const std::string& failure,
                const std::string& skip_reason = {}) {
  switch (ending) {
    case Ending::Unfinished:
      test.verdict = failure.empty() ? Verdict::Untested : Verdict::Failed;
      test.message = failure.empty() ? "did not finish" : failure;
      return;
    case Ending::Failed:
      test.verdict = Verdict::Failed;
      test.message =
          failure.empty() && allowed_to_fail ? "passed, though it was expected to fail" : failure;
      return;
    case Ending::Skipped:
      test.verdict = Verdict::Untested;
      test.message = skip_reason.empty() ? "skipped" : skip_reason;
      return;
    case Ending::Passed:
      if (!allowed_to_fail || failure.empty()) return;
      test.verdict = Verdict::Untested;
      test.message = "expected to fail: " + failure;
      return;
  }
}

RunnerTest ReadCatch2Case(pugi::xml_node testcase, ReportSink& sink) {
  RunnerTest test;
  test.name = testcase.attribute("name").value();
  bool allowed_to_fail = false;
  // Tags are written "[!shouldfail][C21]".
  const std::string_view tags = testcase.attribute("tags").value();
  for (size_t open = tags.find('['); open != std::string_view::npos;
       open = tags.find('[', open + 1)) {
    const size_t close = tags.find(']', open);
    if (close == std::string_view::npos) break;
    const std::string_view tag = tags.substr(open + 1, close - open - 1);
    allowed_to_fail |= tag == "!shouldfail" || tag == "!mayfail";
    test.tags.emplace_back(tag);
  }
  if (const pugi::xml_attribute description = testcase.attribute("description")) {
    test.tags.emplace_back(description.value());
  }
  const pugi::xml_node result = testcase.child("OverallResult");
  Ending ending = Ending::Unfinished;
  if (result) {
    ending = !result.attribute("success").as_bool()    ? Ending::Failed
             : result.attribute("skips").as_uint() > 0 ? Ending::Skipped
                                                       : Ending::Passed;
  }
  SetVerdict(test, ending, allowed_to_fail, FirstFailure(testcase, sink),
             Trimmed(TextOf(testcase.child("Skip"))));
  return test;
}

RunnerTest ReadDoctestCase(std::string_view suite, pugi::xml_node testcase, ReportSink& sink) {
  RunnerTest test;
  const std::string_view name = testcase.attribute("name").value();
  test.name = suite.empty() ? std::string(name) : JoinedName(suite, name);
  if (const pugi::xml_attribute description = testcase.attribute("description")) {
    test.tags.emplace_back(description.value());
  }
  const bool allowed_to_fail = testcase.attribute("should_fail") ||
                               testcase.attribute("may_fail") ||
                               testcase.attribute("expected_failures");
  const pugi::xml_node result = testcase.child("OverallResultsAsserts");
  Ending ending = Ending::Unfinished;
  if (testcase.attribute("skipped").as_bool()) {
    ending = Ending::Skipped;
  } else if (result) {
    // doctest before 2.4 writes no test_case_success: any failed assertion fails the test.
    const bool passed =
        result.attribute("test_case_success").as_bool(result.attribute("failures").as_uint() == 0);
    ending = passed ? Ending::Passed : Ending::Failed;
  }
  SetVerdict(test, ending, allowed_to_fail, FirstFailure(testcase, sink));
  return test;
}

}  // namespace

void ReadCatch2(pugi::xml_node root, ReportSink& sink) {
  const auto read = [&](pugi::xml_node child) {
    if (std::string_view(child.name()) == "TestCase") sink.Add(ReadCatch2Case(child, sink));
  };
  ConsumeChildren(root, sink, [&](pugi::xml_node child) {
    if (std::string_view(child.name()) == "Group") {
      ConsumeChildren(child, sink, read);
    } else {
      read(child);
    }
  });
}

void ReadDoctest(pugi::xml_node root, ReportSink& sink) {
  ConsumeChildren(root, sink, [&](pugi::xml_node child) {
    if (std::string_view(child.name()) != "TestSuite") return;
    const std::string suite = child.attribute("name").value();
    ConsumeChildren(child, sink, [&](pugi::xml_node testcase) {
      if (std::string_view(testcase.name()) == "TestCase") {
        sink.Add(ReadDoctestCase(suite, testcase, sink));
      }
    });
  });
}

}  // namespace quorax::runners
