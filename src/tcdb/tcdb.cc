#include "tcdb/tcdb.h"

#include <cassert>
#include <cstdio>
#include <exception>
#include <memory>
#include <variant>
#include <vector>

#include "common/errors.h"
#include "common/general.h"
#include "common/int16.h"
#include "database/provider_error.h"
#include "metrics/metrics.h"
#include "tcdb/test_case_id.h"

namespace quorax {
namespace {

// Runs `step` with every error it raises suppressed; returns false when it raised.
template <typename Step>
bool Suppressed(Step step) {
  try {
    step();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string Hex(int32_t number) {
  char text[9];
  std::snprintf(text, sizeof text, "%X", static_cast<uint32_t>(number));
  return text;
}

int16_t ToResultCode(const db::Value& value) {
  if (const auto* number = std::get_if<int32_t>(&value)) return ToInt16(*number, "the verdict");
  if (const auto* text = std::get_if<std::string>(&value)) return ParseInt16(*text, "the verdict");
  throw InvalidArgument("the procedure returned no verdict");
}

db::DataType DataTypeOf(ColumnType type) {
  switch (type) {
    case ColumnType::Integer:
      return db::kInteger;
    case ColumnType::Char:
      return db::kChar;
    case ColumnType::VarChar:
      break;
  }
  return db::kVarChar;
}

// The verdict in the output parameter `retval`; 0 when it is NULL or not a
// 16-bit number.
int16_t Verdict(const db::Parameter& retval) {
  int16_t result = 0;
  Suppressed([&] { result = ToResultCode(retval.Val); });
  return result;
}

// Apostrophes are doubled in every cell but Result, which is cut to its
// first character instead.
void EscapeRow(ResultRow& row) {
  for (const ResultColumn& column : kResultColumns) {
    std::string& cell = row.*column.Cell;
    cell = column.Cell == &ResultRow::Result ? cell.substr(0, 1)
                                             : General::EscapeChars(cell, "'", "'");
  }
}

// The value sent for `cell`. The one integer column, the test-case id, is
// sent as NULL when it is not a number in range, so that the procedure's
// verdict (a missing value) classifies the row.
db::Value ValueOf(const ResultColumn& column, const std::string& cell) {
  if (column.Type != ColumnType::Integer) return cell;
  if (const auto number = ParseTestCaseID(cell)) return *number;
  return {};
}

}  // namespace

std::string DatabaseErrorText(int32_t number, const std::string& description) {
  const size_t bracket = description.rfind(']');
  const std::string message =
      bracket == std::string::npos ? description : description.substr(bracket + 1);
  return Hex(number) + ":" + message;
}

TCDB::TCDB()
    : DbConnection(std::make_unique<db::Connection>()),
      ProcCommand(std::make_unique<db::Command>()) {}

TCDB::~TCDB() = default;

int16_t TCDB::Connect(const std::string& DSN, const std::string& User, const std::string& Pass) {
  Suppressed([&] { DbConnection->Open(DSN, User, Pass); });
  int32_t state = 0;
  if (Suppressed([&] { state = DbConnection->State(); }) && state == 1) {
    Suppressed([&] { ProcCommand->SetActiveConnection(DbConnection.get()); });
    return 0;
  }
  if (db::CredentialsRefused(DbConnection->Errors())) return -1;
  metrics::DatabaseConnectionFailure();
  return -2;
}

void TCDB::Disconnect() { DbConnection->Close(); }

std::string TCDB::GetErrorString() {
  const auto& errors = DbConnection->Errors();
  if (errors.empty()) return "";
  return DatabaseErrorText(errors.front().Number, errors.front().Description);
}

int16_t TCDB::VerifyResult(ResultRow& row) { return CallProcedure("verify_result", row); }

int16_t TCDB::InsertResult(ResultRow& row) { return CallProcedure("insert_result", row); }

bool TCDB::IsOpen() {
  assert(DbConnection != nullptr);
  int32_t state = 0;
  return Suppressed([&] { state = DbConnection->State(); }) && state == 1;
}

db::ParameterList TCDB::ParametersFor(ResultRow& row) {
  EscapeRow(row);
  db::ParameterList parameters{
      ProcCommand->CreateParameter("RetVal", db::kInteger, db::kOutput, 0)};
  for (const ResultColumn& column : kResultColumns) {
    parameters.push_back(ProcCommand->CreateParameter(column.Parameter, DataTypeOf(column.Type),
                                                      db::kInput, column.Size,
                                                      ValueOf(column, row.*column.Cell)));
  }
  return parameters;
}

int16_t TCDB::CallProcedure(const std::string& procedure, ResultRow& row) {
  // The connection object exists for the object's whole life; the check keeps
  // the documented code for a TCDB without one.
  if (DbConnection == nullptr) return -257;
  if (!IsOpen()) return -258;

  const db::ParameterList parameters = ParametersFor(row);
  db::Command& command = *ProcCommand;
  for (const auto& parameter : parameters) {
    Suppressed([&] { command.AppendParameter(parameter); });
  }
  DbConnection->ClearErrors();
  command.SetCommandText(procedure);
  command.SetCommandType(db::kStoredProcedure);
  Suppressed([&] { command.Execute(); });

  if (!DbConnection->Errors().empty()) return -259;
  const int16_t result = Verdict(*parameters[0]);
  const int32_t count = command.ParameterCount();
  for (int32_t i = 0; i < count; ++i) {
    Suppressed([&] { command.DeleteParameter(0); });
  }
  return result;
}

std::vector<int16_t> TCDB::VerifyResults(std::vector<ResultRow>& rows) {
  if (rows.empty()) return {};
  if (DbConnection == nullptr) return {-257};
  if (!IsOpen()) return {-258};

  std::vector<db::ParameterList> calls;
  calls.reserve(rows.size());
  for (ResultRow& row : rows) calls.push_back(ParametersFor(row));
  DbConnection->ClearErrors();
  ProcCommand->SetCommandText("verify_result");
  ProcCommand->SetCommandType(db::kStoredProcedure);
  size_t succeeded = 0;
  Suppressed([&] { succeeded = ProcCommand->ExecuteEach(calls); });

  std::vector<int16_t> codes;
  for (size_t i = 0; i < succeeded; ++i) codes.push_back(Verdict(*calls[i][0]));
  if (succeeded < rows.size()) codes.push_back(-259);
  return codes;
}

}  // namespace quorax
