#include <time.h>

#include <cctype>
#include <map>
#include <string_view>

#include "runners/json_report.h"
#include "runners/notes.h"
#include "runners/report_error.h"
#include "runners/report_readers.h"

// Cucumber's message stream (NDJSON): one JSON object a line, each holding
// one message. A "pickle" is one scenario as run (its "tags" include those it
// inherits), named "feature.scenario" by its document's feature; a "testCase"
// runs a pickle through its "testSteps"; each attempt ("testCaseStarted")
// collects "testStepFinished" results and ends with "testCaseFinished", whose
// "willBeRetried" says whether a later attempt replaces it. Tests come in the
// order their last attempts finished.
namespace quorax::runners {
namespace {

struct Pickle {
  std::string name, uri;
  // held once for every attempt of the pickle
  std::shared_ptr<const std::vector<std::string>> tags;
  std::map<std::string, std::string> steps;  // pickle step id -> text
};

struct TestCase {
  std::string pickle_id;
  std::map<std::string, std::string> steps;  // test step id -> pickle step id ("" for a hook)
};

class MessageStream {
 public:
  explicit MessageStream(ReportSink& sink) : file_(sink.file()), sink_(sink) {}

  void Read(const Json& message, size_t line) {
    if (!message.is_object() || message.size() != 1) {
      throw ReportError(file_ + ":" + std::to_string(line) +
                        ": a message is an object with one member");
    }
    const std::string& kind = message.begin().key();
    const Json& body = message.begin().value();
    if (!body.is_object()) return;
    if (kind == "gherkinDocument") {
      features_[StringOf(body, "uri")] = StringOf(ObjectOf(body, "feature"), "name");
    } else if (kind == "pickle") {
      AddPickle(body);
    } else if (kind == "testCase") {
      AddTestCase(body);
    } else if (kind == "testRunStarted") {
      if (sink_.started.empty()) sink_.started = DateOf(ObjectOf(body, "timestamp"));
    } else if (kind == "testCaseStarted") {
      StartAttempt(body);
    } else if (kind == "testStepFinished") {
      AddStep(body);
    } else if (kind == "testCaseFinished") {
      FinishAttempt(StringOf(body, "testCaseStartedId"), body.value("willBeRetried", false));
    }
  }

  // Adds the attempts that never finished (a run cut short) as not run.
  void Finish() {
    for (auto& [id, test] : attempts_) {
      test.verdict = Verdict::Untested;
      test.message = "did not finish";
      sink_.Add(std::move(test));
    }
    attempts_.clear();
  }

 private:
  // The UTC date of a message's {"seconds": ...} time stamp.
  static std::string DateOf(const Json& timestamp) {
    const auto seconds = timestamp.find("seconds");
    if (seconds == timestamp.end() || !seconds->is_number_integer()) return {};
    const time_t when = seconds->get<time_t>();
    tm utc{};
    if (gmtime_r(&when, &utc) == nullptr) return {};
    char day[16];
    strftime(day, sizeof day, "%Y-%m-%d", &utc);
    return day;
  }

  void AddPickle(const Json& body) {
    Pickle& pickle = pickles_[StringOf(body, "id")];
    pickle.name = StringOf(body, "name");
    pickle.uri = StringOf(body, "uri");
    std::vector<std::string> tags;
    for (const Json& tag : ArrayOf(body, "tags")) {
      sink_.Tick();
      if (tag.is_object()) tags.push_back(StringOf(tag, "name"));
    }
    pickle.tags = std::make_shared<const std::vector<std::string>>(std::move(tags));
    for (const Json& step : ArrayOf(body, "steps")) {
      sink_.Tick();
      if (step.is_object()) pickle.steps[StringOf(step, "id")] = StringOf(step, "text");
    }
  }

  void AddTestCase(const Json& body) {
    TestCase& test_case = cases_[StringOf(body, "id")];
    test_case.pickle_id = StringOf(body, "pickleId");
    for (const Json& step : ArrayOf(body, "testSteps")) {
      sink_.Tick();
      if (step.is_object()) test_case.steps[StringOf(step, "id")] = StringOf(step, "pickleStepId");
    }
  }

  void StartAttempt(const Json& body) {
    RunnerTest test;
    test.name = "(a test case the stream does not describe)";
    if (const auto found = cases_.find(StringOf(body, "testCaseId")); found != cases_.end()) {
      const Pickle& pickle = pickles_[found->second.pickle_id];
      test.name = JoinedName(features_[pickle.uri], pickle.name);
      test.shared_tags = pickle.tags;
      attempt_cases_[StringOf(body, "id")] = &found->second;
    }
    attempts_[StringOf(body, "id")] = std::move(test);
  }

  // Folds a step's result into its attempt: any failed step fails it (message: the first
  // failure); a pending, skipped, undefined, ambiguous or unknown one leaves it untested.
  void AddStep(const Json& body) {
    const std::string attempt = StringOf(body, "testCaseStartedId");
    const auto found = attempts_.find(attempt);
    if (found == attempts_.end()) return;
    RunnerTest& test = found->second;
    const Json& result = ObjectOf(body, "testStepResult");
    const std::string status = StringOf(result, "status");
    if (status == "PASSED" || test.verdict == Verdict::Failed) return;
    const std::string step = StepText(attempt, StringOf(body, "testStepId"));
    if (status == "FAILED") {
      std::string message = StringOf(result, "message");
      if (message.empty()) message = StringOf(ObjectOf(result, "exception"), "message");
      test.verdict = Verdict::Failed;
      test.message = ReasonOf(message, "", test.name);
      if (test.message.empty()) test.message = "failed " + step;
    } else if (test.verdict == Verdict::Passed) {
      test.verdict = Verdict::Untested;
      std::string word = status.empty() ? "UNKNOWN" : status;
      for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      test.message = word + " " + step;
    }
  }

  // "step: TEXT" for a step of the attempt's pickle, "hook" for a hook.
  std::string StepText(const std::string& attempt, const std::string& test_step) {
    const auto test_case = attempt_cases_.find(attempt);
    if (test_case == attempt_cases_.end()) return "step";
    const auto pickle_step = test_case->second->steps.find(test_step);
    if (pickle_step == test_case->second->steps.end() || pickle_step->second.empty()) return "hook";
    const Pickle& pickle = pickles_[test_case->second->pickle_id];
    const auto text = pickle.steps.find(pickle_step->second);
    return text == pickle.steps.end() ? "step" : "step: " + text->second;
  }

  void FinishAttempt(const std::string& attempt, bool retried) {
    const auto found = attempts_.find(attempt);
    if (found == attempts_.end()) return;
    if (!retried) sink_.Add(std::move(found->second));
    attempts_.erase(found);
    attempt_cases_.erase(attempt);
  }

  const std::string& file_;
  ReportSink& sink_;
  std::map<std::string, std::string> features_;  // document uri -> feature name
  std::map<std::string, Pickle> pickles_;
  std::map<std::string, TestCase> cases_;
  std::map<std::string, RunnerTest> attempts_;            // started, not yet finished
  std::map<std::string, const TestCase*> attempt_cases_;  // attempt -> its test case
};

}  // namespace

void ReadCucumberMessages(std::string_view bytes, ReportSink& sink) {
  const std::string& file = sink.file();
  MessageStream stream(sink);
  size_t line = 1;
  for (size_t start = 0; start < bytes.size(); ++line) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view text = bytes.substr(start, end - start);
    if (text.find_first_not_of(" \t\r") != std::string_view::npos) {
      stream.Read(ParseJson(file, text, sink.stop(), line), line);
    }
    start = end + 1;
  }
  stream.Finish();
}

}  // namespace quorax::runners
