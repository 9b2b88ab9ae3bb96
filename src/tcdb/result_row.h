#ifndef QUORAX_TCDB_RESULT_ROW_H_
#define QUORAX_TCDB_RESULT_ROW_H_

#include <array>
#include <cstdint>
#include <string>

namespace quorax {

// How a column's value is bound as a procedure parameter.
enum class ColumnType { Integer, VarChar, Char };

// One column of an upload row, in file order. This table is the one place
// that knows the columns: the procedure's parameters, the escaping of
// apostrophes, the results table's header and the column count derive from it.
struct ResultColumn {
  const char* Parameter;  // the procedure's parameter name, e.g. "TestCaseID"
  ColumnType Type;
  int32_t Size;         // declared size of the parameter (0 for integers)
  const char* Heading;  // header cell of the results table, e.g. "TCID"
};

inline constexpr std::array<ResultColumn, 9> kResultColumns{{
    {"TestCaseID", ColumnType::Integer, 0, "TCID"},
    {"TestDate", ColumnType::VarChar, 20, "Test Date"},
    {"Version", ColumnType::VarChar, 32, "Version"},
    {"Platform", ColumnType::VarChar, 25, "Platform"},
    {"Browser", ColumnType::VarChar, 25, "Browser"},
    {"Result", ColumnType::VarChar, 1, "Result"},
    {"Tester", ColumnType::VarChar, 32, "Tester"},
    {"PR", ColumnType::Char, 50, "PR"},
    {"Notes", ColumnType::VarChar, 255, "Notes"},
}};

inline constexpr int32_t kResultColumnCount = static_cast<int32_t>(kResultColumns.size());

// One data row of an upload: its cells in the order of kResultColumns.
struct ResultRow {
  std::array<std::string, kResultColumns.size()> Cells;

  std::string& operator[](size_t column) { return Cells[column]; }
  const std::string& operator[](size_t column) const { return Cells[column]; }
};

}  // namespace quorax

#endif  // QUORAX_TCDB_RESULT_ROW_H_
