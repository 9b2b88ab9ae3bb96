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

// A string member of `object`, or "" when it is missing or not a string.
std::string StringOf(const Json& object, const char* key);

// A member of `object` that is an array, or an empty array.
const Json& ArrayOf(const Json& object, const char* key);

// A member of `object` that is an object, or an empty object.
const Json& ObjectOf(const Json& object, const char* key);

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_JSON_REPORT_H_
