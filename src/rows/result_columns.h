#ifndef QUORAX_ROWS_RESULT_COLUMNS_H_
#define QUORAX_ROWS_RESULT_COLUMNS_H_

#include <array>
#include <cstdint>
#include <string>

namespace quorax {

// One data row of an upload, one member per column in file order.
struct ResultRow {
  std::string TestCaseID;
  std::string TestDate;
  std::string Version;
  std::string Platform;
  std::string Browser;
  std::string Result;
  std::string Tester;
  std::string PR;
  std::string Notes;

  bool operator==(const ResultRow&) const = default;
};

// How a column's value is bound as a procedure parameter.
enum class ColumnType { Integer, VarChar, Char };

// One column of an upload row. kResultColumns is the one place that knows
// the columns: the procedure's parameter list, the escaping of apostrophes,
// the results table's header row and the column count derive from it.
struct ResultColumn {
  std::string ResultRow::*Cell;  // the row's member holding this column
  const char* Parameter;         // the procedure's parameter name
  ColumnType Type;
  int32_t Size;         // declared size of the parameter (0 for integers)
  const char* Heading;  // header cell of the results table
};

inline constexpr std::array<ResultColumn, 9> kResultColumns{{
    {&ResultRow::TestCaseID, "TestCaseID", ColumnType::Integer, 0, "TCID"},
    {&ResultRow::TestDate, "TestDate", ColumnType::VarChar, 20, "Test Date"},
    {&ResultRow::Version, "Version", ColumnType::VarChar, 32, "Version"},
    {&ResultRow::Platform, "Platform", ColumnType::VarChar, 25, "Platform"},
    {&ResultRow::Browser, "Browser", ColumnType::VarChar, 25, "Browser"},
    {&ResultRow::Result, "Result", ColumnType::VarChar, 1, "Result"},
    {&ResultRow::Tester, "Tester", ColumnType::VarChar, 32, "Tester"},
    {&ResultRow::PR, "PR", ColumnType::Char, 50, "PR"},
    {&ResultRow::Notes, "Notes", ColumnType::VarChar, 255, "Notes"},
}};

inline constexpr int32_t kResultColumnCount = static_cast<int32_t>(kResultColumns.size());

// The fewest columns an upload may have: the last column (Notes) may be left
// out and is then sent empty.
inline constexpr int32_t kResultColumnsNeeded = kResultColumnCount - 1;

// The tester's message for a file of `columns` columns, too few to send,
// naming the columns in order. Header-only, so that the command line can use
// it without the database layer.
inline std::string TooFewColumnsMessage(int32_t columns) {
  std::string names;
  for (int32_t i = 0; i < kResultColumnCount; ++i) {
    if (i > 0) names += i + 1 == kResultColumnCount ? " and optionally " : ", ";
    names += kResultColumns[static_cast<size_t>(i)].Heading;
  }
  return "the file has " + std::to_string(columns) + (columns == 1 ? " column" : " columns") +
         ", but " + std::to_string(kResultColumnsNeeded) + " or " +
         std::to_string(kResultColumnCount) + " are needed (" + names + ")";
}

}  // namespace quorax

#endif  // QUORAX_ROWS_RESULT_COLUMNS_H_
