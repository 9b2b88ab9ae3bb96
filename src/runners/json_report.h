#ifndef QUORAX_RUNNERS_JSON_REPORT_H_
#define QUORAX_RUNNERS_JSON_REPORT_H_

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "common/stop_check.h"

// What the JSON report readers share. Internal to the runners library.
namespace quorax::runners {

using Json = nlohmann::json;

// Sees each value as it is parsed (nlohmann's parser callback: depth, event, value); returns
// whether the value is kept in its parent.
using JsonVisit = Json::parser_callback_t;

// The JSON value of `bytes`; raises ReportError "FILE:LINE:COLUMN: malformed JSON: ..." where it
// goes wrong and "FILE: values are nested deeper than 256 levels", and Stopped from `stop`, asked
// every thousand values. `first_line` numbers the first line of `bytes` within `file`; `visit`,
// when set, sees every value and may drop it.
Json ParseJson(const std::string& file, std::string_view bytes, const StopCheck& stop,
               size_t first_line = 1, const JsonVisit& visit = nullptr);

// What a reader of a JSON array of features (Cucumber's or behave's) does with it.
class FeatureReader {
 public:
  virtual ~FeatureReader() = default;
  // Takes a member of the current feature's "elements" once it is parsed.
  virtual void ReadElement(const Json& element) = 0;
  // Takes a feature once it is parsed whole: its name and tags may follow its elements.
  virtual void FinishFeature(const Json& feature) = 0;
};

// Parses `bytes`, an array of features, one element at a time: each element goes to `reader` as
// it ends and each feature (an object) as it ends, both then dropped from the tree, which never
// holds more than one feature's other members and one element. Raises as ParseJson does, and
// ReportError "FILE: a KIND report is an array of features, not a JSON ..." for another value.
void ReadFeatures(const std::string& file, std::string_view bytes, const StopCheck& stop,
                  std::string_view kind, FeatureReader& reader);

// A string member of `object`, or "" when it is missing or not a string.
std::string StringOf(const Json& object, const char* key);

// A member of `object` that is an array, or an empty array.
const Json& ArrayOf(const Json& object, const char* key);

// A member of `object` that is an object, or an empty object.
const Json& ObjectOf(const Json& object, const char* key);

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_JSON_REPORT_H_
