#include <algorithm>
#include <string_view>
#include <unordered_set>

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

// The names of the tag objects of `tags`, each once, leaving out those in `inherited`.
std::vector<std::string> TagsOf(const Json& tags, std::unordered_set<std::string>& inherited) {
  std::vector<std::string> names;
  for (const Json& tag : tags) {
    std::string name = tag.is_object() ? StringOf(tag, "name") : std::string();
    if (!name.empty() && inherited.insert(name).second) names.push_back(std::move(name));
  }
  return names;
}

// Gives each scenario the steps of the background before it, and names and tags it once its
// feature ends.
class CucumberFeatures : public FeatureReader {
 public:
  explicit CucumberFeatures(ReportSink& sink) : sink_(sink) {}

  void ReadElement(const Json& element) override {
    const std::string type = StringOf(element, "type");
    if (type == "background") {
      AddSteps(ArrayOf(element, "steps"), background_);
      return;
    }
    if (type != "scenario") return;
    RunnerTest& test = scenarios_.emplace_back(std::move(background_));
    background_ = RunnerTest();
    test.name = StringOf(element, "name");
    std::unordered_set<std::string> seen;
    test.tags = TagsOf(ArrayOf(element, "tags"), seen);
    for (const char* part : {"before", "steps", "after"}) AddSteps(ArrayOf(element, part), test);
    if (sink_.started.empty()) sink_.started = DateOf(StringOf(element, "start_timestamp"));
  }

  // Names each scenario of `feature` "feature.scenario" and gives it the feature's tags, which it
  // no longer repeats among its own.
  void FinishFeature(const Json& feature) override {
    const std::string feature_name = StringOf(feature, "name");
    std::unordered_set<std::string> inherited;
    auto tags = std::make_shared<const std::vector<std::string>>(
        TagsOf(ArrayOf(feature, "tags"), inherited));
    for (RunnerTest& test : scenarios_) {
      sink_.Tick();
      test.name = JoinedName(feature_name, test.name);
      std::erase_if(test.tags, [&](const std::string& tag) { return inherited.contains(tag); });
      if (!tags->empty()) test.shared_tags = tags;
      sink_.Add(std::move(test));
    }
    scenarios_.clear();
    background_ = RunnerTest();
  }

 private:
  ReportSink& sink_;
  std::vector<RunnerTest> scenarios_;  // the feature's scenarios read so far, named by their own
  RunnerTest background_;              // the steps of the background before the next scenario
};

}  // namespace

void ReadCucumber(std::string_view bytes, ReportSink& sink) {
  CucumberFeatures features(sink);
  ReadFeatures(sink.file(), bytes, sink.stop(), "Cucumber", features);
}

}  // namespace quorax::runners
