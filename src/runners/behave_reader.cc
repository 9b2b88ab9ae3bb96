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

std::vector<std::string> TagsOf(const Json& tags) {
  std::vector<std::string> names;
  for (const Json& tag : tags) {
    if (tag.is_string()) names.push_back(tag.get<std::string>());
  }
  return names;
}

// Names each scenario "feature.scenario" and gives it the feature's tags once the feature ends.
class BehaveFeatures : public FeatureReader {
 public:
  explicit BehaveFeatures(ReportSink& sink) : sink_(sink) {}

  void ReadElement(const Json& element) override {
    if (StringOf(element, "type") == "scenario") ReadScenario(element);
  }

  void FinishFeature(const Json& feature) override {
    const std::string feature_name = StringOf(feature, "name");
    auto tags = std::make_shared<const std::vector<std::string>>(TagsOf(ArrayOf(feature, "tags")));
    for (RunnerTest& test : scenarios_) {
      sink_.Tick();
      test.name = JoinedName(feature_name, test.name);
      if (!tags->empty()) test.shared_tags = tags;
      sink_.Add(std::move(test));
    }
    scenarios_.clear();
  }

 private:
  void ReadScenario(const Json& element) {
    RunnerTest& test = scenarios_.emplace_back();
    test.name = StringOf(element, "name");
    test.tags = TagsOf(ArrayOf(element, "tags"));
    const std::string status = StringOf(element, "status");
    test.verdict = VerdictOf(status);
    if (test.verdict != Verdict::Passed) {
      test.message =
          WhyNotPassed(ArrayOf(element, "steps"), status.empty() ? "no status" : status, test);
    }
  }

  ReportSink& sink_;
  std::vector<RunnerTest> scenarios_;  // the feature's scenarios read so far, named by their own
};

}  // namespace

void ReadBehave(std::string_view bytes, ReportSink& sink) {
  BehaveFeatures features(sink);
  ReadFeatures(sink.file(), bytes, sink.stop(), "behave", features);
}

}  // namespace quorax::runners
