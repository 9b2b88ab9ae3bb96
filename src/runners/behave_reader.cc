#include <string_view>

#include "runners/json_report.h"
#include "runners/notes.h"
#include "runners/report_error.h"
#include "runners/report_readers.h"

// behave's JSON: an array of features, each with plain-string "tags" and
// "elements"; an element of type "scenario" is one test, named
// "feature.scenario", whose own "status" (passed, failed, skipped, untested,
// undefined) is its verdict. Its "steps" include the background's, so a
// "background" element, whose steps carry no results, is not read.
namespace quorax::runners {
namespace {

Verdict VerdictOf(std::string_view status) {
  if (status == "passed") return Verdict::Passed;
  if (status == "failed" || status == "error") return Verdict::Failed;
  return Verdict::Untested;
}

// A step's error message: behave writes a string, or a list of lines.
std::string ErrorOf(const Json& result) {
  const auto found = result.find("error_message");
  if (found == result.end()) return {};
  if (found->is_string()) return found->get<std::string>();
  std::string text;
  if (found->is_array()) {
    for (const Json& line : *found) {
      if (line.is_string()) text += line.get<std::string>() + "\n";
    }
  }
  return text;
}

// Why the scenario `test` did not pass: its first failed step's error (a step that failed
// without one is named), else the first step that did not pass with its status, else `status`.
std::string WhyNotPassed(const Json& steps, const std::string& status, const RunnerTest& test) {
  for (const Json& step : steps) {
    if (!step.is_object()) continue;
    const Json& result = ObjectOf(step, "result");
    const std::string step_status = StringOf(result, "status");
    if (step_status == "passed") continue;
    const std::string text = StringOf(step, "keyword") + " " + StringOf(step, "name");
    if (test.verdict == Verdict::Failed && step_status != "failed") continue;
    if (step_status == "failed") {
      const std::string reason = ReasonOf(ErrorOf(result), "", test.name);
      return reason.empty() ? "failed step: " + text : reason;
    }
    if (!step_status.empty()) return step_status + " step: " + text;
  }
  return status;
}

void AddTags(const Json& tags, RunnerTest& test) {
  for (const Json& tag : tags) {
    if (tag.is_string()) test.tags.push_back(tag.get<std::string>());
  }
}

void ReadFeature(const Json& feature, RunnerReport& report) {
  const std::string feature_name = StringOf(feature, "name");
  for (const Json& element : ArrayOf(feature, "elements")) {
    if (!element.is_object() || StringOf(element, "type") != "scenario") continue;
    RunnerTest test;
    test.name = feature_name + "." + StringOf(element, "name");
    AddTags(ArrayOf(feature, "tags"), test);
    AddTags(ArrayOf(element, "tags"), test);
    const std::string status = StringOf(element, "status");
    test.verdict = VerdictOf(status);
    if (test.verdict != Verdict::Passed) {
      test.message =
          WhyNotPassed(ArrayOf(element, "steps"), status.empty() ? "no status" : status, test);
    }
    report.tests.push_back(std::move(test));
  }
}

}  // namespace

void ReadBehave(const std::string& file, std::string_view bytes, RunnerReport& report) {
  const Json features = ParseJson(file, bytes);
  if (!features.is_array()) {
    throw ReportError(file + ": a behave report is an array of features, not a JSON " +
                      std::string(features.type_name()));
  }
  for (const Json& feature : features) {
    if (feature.is_object()) ReadFeature(feature, report);
  }
}

}  // namespace quorax::runners
