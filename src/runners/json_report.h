#ifndef QUORAX_RUNNERS_JSON_REPORT_H_
#define QUORAX_RUNNERS_JSON_REPORT_H_

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

// What the JSON report readers share. Internal to the runners library.
namespace quorax::runners {

using Json = nlohmann::json;

// The JSON value of `bytes`; raises ReportError "FILE:LINE:COLUMN: malformed JSON: ..." where it
// goes wrong. `first_line` numbers the first line of `bytes` within `file`.
Json ParseJson(const std::string& file, std::string_view bytes, size_t first_line = 1);

// A string member of `object`, or "" when it is missing or not a string.
std::string StringOf(const Json& object, const char* key);

// A member of `object` that is an array, or an empty array.
const Json& ArrayOf(const Json& object, const char* key);

// A member of `object` that is an object, or an empty object.
const Json& ObjectOf(const Json& object, const char* key);

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_JSON_REPORT_H_
