#include "runners/json_report.h"

#include <vector>

#include "runners/report_error.h"
#include "runners/report_readers.h"

namespace quorax::runners {

Json ParseJson(const std::string& file, std::string_view bytes, const StopCheck& stop,
               size_t first_line, const JsonVisit& visit) {
  // As deep as XML may nest: the parser keeps a frame per level.
  constexpr int kMaxDepth = 256;
  uint32_t values = 0;
  const JsonVisit check = [&](int depth, Json::parse_event_t event, Json& parsed) {
    if (++values % 1024 == 0) AskToStop(stop);
    if (depth >= kMaxDepth &&
        (event == Json::parse_event_t::array_start || event == Json::parse_event_t::object_start)) {
      throw ReportError(file + ": values are nested deeper than " + std::to_string(kMaxDepth) +
                        " levels");
    }
    return !visit || visit(depth, event, parsed);
  };
  try {
    return Json::parse(bytes.begin(), bytes.end(), check);
  } catch (const Json::parse_error& e) {
    // e.byte counts from 1 and points at the byte that went wrong.
    const size_t offset = e.byte == 0 ? 0 : e.byte - 1;
    std::string where = PositionOf(file, bytes, offset);
    if (first_line != 1) {
      const size_t line_at = file.size() + 1;
      const size_t line_end = where.find(':', line_at);
      const size_t line = std::stoul(where.substr(line_at, line_end - line_at)) + first_line - 1;
      where = file + ":" + std::to_string(line) + where.substr(line_end);
    }
    std::string what = e.what();
    what = what.substr(what.find(':') + 1);
    throw ReportError(where + ": malformed JSON:" + what);
  }
}

void ReadFeatures(const std::string& file, std::string_view bytes, const StopCheck& stop,
                  std::string_view kind, FeatureReader& reader) {
  bool in_elements = false;  // the feature's member being read is its "elements"
  ParseJson(file, bytes, stop, 1, [&](int depth, Json::parse_event_t event, Json& parsed) {
    using Event = Json::parse_event_t;
    const bool ended = event == Event::object_end || event == Event::value;
    if (depth == 0 && (event == Event::object_start || event == Event::value)) {
      throw ReportError(file + ": a " + std::string(kind) +
                        " report is an array of features, not a JSON " +
                        (event == Event::value ? parsed.type_name() : "object"));
    }
    if (depth == 2 && event == Event::key) in_elements = parsed == "elements";
    if (depth == 3 && in_elements && ended) {
      if (parsed.is_object()) reader.ReadElement(parsed);
      return false;
    }
    if (depth == 1 && ended) {
      if (parsed.is_object()) reader.FinishFeature(parsed);
      return false;
    }
    return true;
  });
}

std::string StringOf(const Json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

const Json& ArrayOf(const Json& object, const char* key) {
  static const Json kEmpty = Json::array();
  const auto found = object.find(key);
  return found != object.end() && found->is_array() ? *found : kEmpty;
}

const Json& ObjectOf(const Json& object, const char* key) {
  static const Json kEmpty = Json::object();
  const auto found = object.find(key);
  return found != object.end() && found->is_object() ? *found : kEmpty;
}

namespace {

// The first member's name of each Cucumber message, one object a line.
constexpr std::string_view kMessageKinds[] = {"attachment",
                                              "gherkinDocument",
                                              "hook",
                                              "meta",
                                              "parameterType",
                                              "parseError",
                                              "pickle",
                                              "source",
                                              "stepDefinition",
                                              "testCase",
                                              "testCaseFinished",
                                              "testCaseStarted",
                                              "testRunFinished",
                                              "testRunStarted",
                                              "testStepFinished",
                                              "testStepStarted",
                                              "undefinedParameterType",
                                              "testRunHookStarted",
                                              "testRunHookFinished",
                                              "suggestion",
                                              "externalAttachment",
                                              "ping"};

// Reads the start of a JSON array of features until a member tells Cucumber's from behave's: a
// feature or scenario with an "id" or "uri" is Cucumber's; one with a "location", or a tag that is
// a plain string, is behave's. Stops at the first such sign.
class FeatureSigns : public nlohmann::json_sax<Json> {
 public:
  Format found = Format::Unknown;

  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool string(string_t&) override {
    if (!open_.empty() && open_.back().tags) found = Format::Behave;
    return found == Format::Unknown;
  }
  bool start_object(std::size_t) override { return Open(false); }
  bool start_array(std::size_t) override { return Open(true); }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }
  bool key(string_t& name) override {
    // Features are objects at depth 2, their scenarios at depth 4.
    if (open_.size() == 2 || open_.size() == 4) {
      if (name == "id" || name == "uri") found = Format::Cucumber;
      if (name == "location") found = Format::Behave;
    }
    open_.back().key = name;
    return found == Format::Unknown;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  struct Level {
    bool tags = false;  // an array that is a "tags" member
    std::string key;    // the last member's name, in an object
  };
  // Gives up on values nested deeper than any report's, which the reader then refuses.
  bool Open(bool array) {
    constexpr size_t kMaxDepth = 256;
    const bool tags = array && !open_.empty() && open_.back().key == "tags";
    open_.push_back({tags, {}});
    return open_.size() <= kMaxDepth;
  }
  bool Close() {
    open_.pop_back();
    return true;
  }
  std::vector<Level> open_;
};

// The name of the first member of the object that starts `line`, or "".
std::string FirstMemberOf(std::string_view line) {
  struct FirstKey : nlohmann::json_sax<Json> {
    std::string name;
    bool null() override { return false; }
    bool boolean(bool) override { return false; }
    bool number_integer(number_integer_t) override { return false; }
    bool number_unsigned(number_unsigned_t) override { return false; }
    bool number_float(number_float_t, const string_t&) override { return false; }
    bool string(string_t&) override { return false; }
    bool binary(binary_t&) override { return false; }
    bool start_object(std::size_t) override { return true; }
    bool end_object() override { return false; }
    bool start_array(std::size_t) override { return false; }
    bool end_array() override { return false; }
    bool key(string_t& key) override {
      name = key;
      return false;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
      return false;
    }
  } first;
  Json::sax_parse(line.begin(), line.end(), &first);
  return first.name;
}

}  // namespace

Format DetectJsonFormat(std::string_view content) {
  if (content.starts_with("{")) {
    const std::string first = FirstMemberOf(content.substr(0, content.find('\n')));
    for (std::string_view kind : kMessageKinds) {
      if (first == kind) return Format::CucumberMessages;
    }
    return Format::Unknown;
  }
  FeatureSigns signs;
  Json::sax_parse(content.begin(), content.end(), &signs);
  // An array without either sign (no features, or a prefix too short to tell) is read as
  // Cucumber's, whose reader names what it lacks.
  return signs.found == Format::Unknown ? Format::Cucumber : signs.found;
}

}  // namespace quorax::runners
