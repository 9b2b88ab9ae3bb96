#ifndef QUORAX_RUNNERS_REPORT_READERS_H_
#define QUORAX_RUNNERS_REPORT_READERS_H_

#include <functional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "runners/runner_report.h"

// What the report readers share: loading XML safely, and the small readings
// every format needs. Internal to the runners library.
namespace quorax::runners {

// "FILE:LINE:COLUMN" of byte `offset` of `bytes`; lines and columns count from 1, columns in
// characters.
std::string PositionOf(const std::string& file, std::string_view bytes, size_t offset);

// Parses `bytes` into `doc` without DTD processing: the five predefined entities and character
// references are expanded, any other entity stays as written. Raises ReportError
// "FILE:LINE:COLUMN: ..." for malformed XML, and "FILE: ..." for elements nested deeper than the
// readers recurse (256 levels).
void LoadXml(pugi::xml_document& doc, const std::string& file, std::string_view bytes);

// LoadXml without a copy: the tree points into `bytes`, which it alters and which must outlive
// `doc`. An error's position is taken from `original()`, the bytes as they were before.
void LoadXmlInPlace(pugi::xml_document& doc, const std::string& file, std::string& bytes,
                    const std::function<std::string()>& original);

// The node's name without a namespace prefix ("t:TestRun" -> "TestRun").
std::string_view LocalName(pugi::xml_node node);

// The first child element of that local name, or an empty node.
pugi::xml_node ChildNamed(pugi::xml_node node, std::string_view local_name);

// All text and CDATA directly inside `node`, in order.
std::string TextOf(pugi::xml_node node);

// The YYYY-MM-DD at the start of a time stamp ("2024-04-02T10:00:00Z", "2024-04-02 10:00",
// "20240402 10:00:00.000"); empty when it starts with no valid date.
std::string DateOf(std::string_view stamp);

// True for the property and attribute names that carry case ids: test_id, case_id, testcase_id (any
// case).
bool IsIdName(std::string_view name);

// Adds the id-carrying attributes of `node` to `test.ids`, in document order.
void AddIdAttributes(pugi::xml_node node, RunnerTest& test);

// The readers of each XML format. Each appends the tests under `root` (whose name the caller has
// checked) to report.tests and sets report.started when the report has a start time.
void ReadJUnit(pugi::xml_node root, RunnerReport& report);
void ReadNUnit(pugi::xml_node root, RunnerReport& report);
void ReadXUnit(pugi::xml_node root, RunnerReport& report);
void ReadTrx(pugi::xml_node root, RunnerReport& report);
void ReadTestNG(pugi::xml_node root, RunnerReport& report);
void ReadRobot(pugi::xml_node root, RunnerReport& report);

// Reads a Cucumber JSON report. Raises ReportError "FILE:LINE:COLUMN: ..." for malformed JSON and
// for JSON that is not an array of features.
void ReadCucumber(const std::string& file, std::string_view bytes, RunnerReport& report);

}  // namespace quorax::runners

#endif  // QUORAX_RUNNERS_REPORT_READERS_H_
