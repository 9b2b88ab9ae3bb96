#include <algorithm>
#include <string_view>

#include "runners/json_report.h"
#include "runners/notes.h"
#include "runners/report_error.h"
#include "runners/report_readers.h"

// Cucumber JSON: an array of features, each with "elements"; an element of
// type "scenario" is one test, named "feature.scenario", with "tags" ("@C14")
// and "steps" (and before/after hooks) whose results decide its verdict. A
// "background" element's steps belong to the scenario after it.
namespace quorax::runners {
namespace {

// Folds the results of a list of steps or hooks into `test`: any failed
// step fails it (message: the first failure); undefined, pending, skipped or
// ambiguous steps leave it untested.
void AddSteps(const Json& steps, RunnerTest& test) {
  for (const Json& step : steps) {
    if (!step.is_object()) continue;
    const Json& result = ObjectOf(step, "result");
    const std::string status = StringOf(result, "status");
    if (status == "passed" || test.verdict == Verdict::Failed) continue;
    const std::string text = StringOf(step, "keyword") + StringOf(step, "name");
    if (status == "failed") {
      test.verdict = Verdict::Failed;
      test.message = ReasonOf(StringOf(result, "error_message"), "", test.name);
      if (test.message.empty()) test.message = "failed step: " + text;
    } else if (test.verdict == Verdict::Passed) {
      test.verdict = Verdict::Untested;
      test.message = (status.empty() ? std::string("unknown") : status) + " step: " + text;
    }
  }
}

void AddTags(const Json& tags, RunnerTest& test) {
  for (const Json& tag : tags) {
    std::string name = tag.is_object() ? StringOf(tag, "name") : std::string();
    if (!name.empty() && std::find(test.tags.begin(), test.tags.end(), name) == test.tags.end()) {
      test.tags.push_back(std::move(name));
    }
  }
}

void ReadFeature(const Json& feature, RunnerReport& report) {
  const std::string feature_name = StringOf(feature, "name");
  RunnerTest background;  // the steps of the background before the next scenario
  for (const Json& element : ArrayOf(feature, "elements")) {
    if (!element.is_object()) continue;
    const std::string type = StringOf(element, "type");
    if (type == "background") {
      AddSteps(ArrayOf(element, "steps"), background);
      continue;
    }
    if (type != "scenario") continue;
    RunnerTest test = std::move(background);
    background = RunnerTest();
    test.name = feature_name + "." + StringOf(element, "name");
    AddTags(ArrayOf(feature, "tags"), test);
    AddTags(ArrayOf(element, "tags"), test);
    for (const char* part : {"before", "steps", "after"}) AddSteps(ArrayOf(element, part), test);
    if (report.started.empty()) report.started = DateOf(StringOf(element, "start_timestamp"));
    report.tests.push_back(std::move(test));
  }
}

}  // namespace

void ReadCucumber(const std::string& file, std::string_view bytes, RunnerReport& report) {
  const Json features = ParseJson(file, bytes);
  if (!features.is_array()) {
    throw ReportError(file + ": a Cucumber report is an array of features, not a JSON " +
                      std::string(features.type_name()));
  }
  for (const Json& feature : features) {
    if (feature.is_object()) ReadFeature(feature, report);
  }
}

}  // namespace quorax::runners
