#ifndef QUORAX_RUNNERS_CASE_IDS_H_
#define QUORAX_RUNNERS_CASE_IDS_H_

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorax::runners {

// The case id `value` names ("C123", "c123" or "123", leading zeros dropped), or nothing for any
// other text.
std::optional<std::string> CaseIdOf(std::string_view value);

// Reads a case map: CSV with a header line holding the columns "test" and "case" (any case, any
// order, other columns ignored); each case cell holds ids separated by spaces. Raises ReportError
// naming the file (and line) when it cannot be read, lacks a column, has an unclosed quote or a
// cell that is not an id.
std::map<std::string, std::vector<std::string>> ReadCaseMap(const std::string& file);

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_CASE_IDS_H_
