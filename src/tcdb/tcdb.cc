#include "tcdb/tcdb.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstdio>
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

std::string Hex(int32_t number) {
  char text[9];
  std::snprintf(text, sizeof text, "%X", static_cast<uint32_t>(number));
  return text;
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
  try {
    if (const auto* number = std::get_if<int32_t>(&retval.Val)) {
      return ToInt16(*number, "the verdict");
    }
    if (const auto* text = std::get_if<std::string>(&retval.Val)) {
      return ParseInt16(*text, "the verdict");
    }
  } catch (const InvalidArgument&) {
  } catch (const Overflow&) {
  }
  // intended: a verdict that cannot be read counts as 0, as a row the procedure passed.
  return 0;
}

// The parameters of one call, on the command for as long as this lives: they
// are taken off again however the call ends, so that the next call on the
// same command sends its own parameters alone.
class CallParameters {
 public:
  CallParameters(db::Command& command, const db::ParameterList& parameters) : command_(command) {
    for (const auto& parameter : parameters) command_.AppendParameter(parameter);
  }
  ~CallParameters() { command_.ClearParameters(); }
  CallParameters(const CallParameters&) = delete;
  CallParameters& operator=(const CallParameters&) = delete;

 private:
  db::Command& command_;
};

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
  // A usable open connection stays open: connecting again is no failure.
  if (!DbConnection->Reusable()) {
    try {
      if (IsOpen()) DbConnection->Close();
      DbConnection->Open(DSN, User, Pass);
    } catch (const db::CredentialsRefused&) {
      return -1;
    } catch (const db::DatabaseError&) {
      metrics::DatabaseConnectionFailure();
      return -2;
    }
  }
  ProcCommand->SetActiveConnection(DbConnection.get());
  ConnectedDSN = DSN;
  ConnectedUser = User;
  ConnectedPass = Pass;
  return 0;
}

void TCDB::Disconnect() { DbConnection->Close(); }

int32_t ProviderNumber(db::ErrorKind kind) {
  return kind == db::ErrorKind::kCredentials ? kAuthenticationFailed : kUnspecifiedFailure;
}

std::string TCDB::GetErrorString() {
  const auto& errors = DbConnection->Errors();
  if (errors.empty()) return "";
  return DatabaseErrorText(ProviderNumber(errors.front().Kind), errors.front().Description);
}

bool TCDB::OutOfConnections() const {
  const auto& errors = DbConnection->Errors();
  return !errors.empty() && db::OutOfConnections(errors.front());
}

int16_t TCDB::VerifyResult(ResultRow& row) { return CallProcedure("verify_result", row); }

int16_t TCDB::InsertResult(ResultRow& row) { return CallProcedure("insert_result", row); }

bool TCDB::IsOpen() {
  assert(DbConnection != nullptr);
  return DbConnection->State() == 1;
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
  const CallParameters bound(command, parameters);
  DbConnection->ClearErrors();
  command.SetCommandText(procedure);
  command.SetCommandType(db::kStoredProcedure);
  try {
    command.Execute();
  } catch (const db::DatabaseError&) {
    return -259;
  }
  return Verdict(*parameters[0]);
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
  try {
    succeeded = ProcCommand->ExecuteEach(calls);
  } catch (const db::DatabaseError&) {
    // Nothing was sent; the error list says why.
  }

  std::vector<int16_t> codes;
  for (size_t i = 0; i < succeeded; ++i) codes.push_back(Verdict(*calls[i][0]));
  if (succeeded < rows.size()) codes.push_back(-259);
  return codes;
}

std::vector<int16_t> TCDB::InsertResults(std::vector<ResultRow>& rows) {
  if (rows.empty()) return {};
  if (DbConnection == nullptr) return {-257};
  if (!IsOpen()) return {-258};

  DbConnection->ClearErrors();
  ProcCommand->SetCommandText("insert_result");
  ProcCommand->SetCommandType(db::kStoredProcedure);
  std::vector<int16_t> codes;
  for (size_t first = 0; first < rows.size(); first += kInsertPieceRows) {
    if (!InsertPiece(rows, first, std::min(kInsertPieceRows, rows.size() - first), codes)) break;
  }
  return codes;
}

namespace {

// Appends the codes of the calls of one transaction that ended as `outcome`
// to `codes`. Returns true when all `count` calls are recorded.
bool AppendCodes(const std::vector<db::ParameterList>& calls, size_t count,
                 const db::TransactionOutcome& outcome, std::vector<int16_t>& codes) {
  if (outcome.ending == db::TransactionEnding::kRolledBack) {
    codes.push_back(-259);
    return false;
  }
  for (size_t i = 0; i < outcome.succeeded; ++i) {
    codes.push_back(outcome.ending == db::TransactionEnding::kCommitted ? Verdict(*calls[i][0])
                                                                        : kNotKnownWhetherRecorded);
  }
  if (outcome.succeeded == count) return outcome.ending == db::TransactionEnding::kCommitted;
  codes.push_back(-259);
  return false;
}

}  // namespace

bool TCDB::InsertPiece(std::vector<ResultRow>& rows, size_t first, size_t count,
                       std::vector<int16_t>& codes) {
  std::vector<db::ParameterList> calls;
  calls.reserve(count);
  for (size_t i = first; i < first + count; ++i) calls.push_back(ParametersFor(rows[i]));
  db::TransactionOutcome outcome;
  try {
    outcome = ProcCommand->ExecuteInTransaction(calls);
  } catch (const db::DatabaseError&) {
    // Nothing was sent; the error list says why.
    outcome = {0, db::TransactionEnding::kRolledBack};
  }
  const bool lost_uncommitted = outcome.ending == db::TransactionEnding::kRolledBack && !IsOpen();
  if (!lost_uncommitted || outcome.succeeded == 0) {
    return AppendCodes(calls, count, outcome, codes);
  }
  // The rows that ran before the connection was lost are not recorded: they
  // are sent again as the row-by-row path would have recorded them, and the
  // row at which the connection was lost, if any is left, is the database
  // failure.
  calls.resize(outcome.succeeded);
  if (AppendCodes(calls, calls.size(), InsertAgain(calls), codes) && codes.size() < rows.size()) {
    codes.push_back(-259);
  }
  return false;
}

void TCDB::Abandon() {
  std::lock_guard lock(AbandonMutex);
  Abandoned = true;
  DbConnection->Abandon();
  if (AgainConnection != nullptr) AgainConnection->Abandon();
}

db::TransactionOutcome TCDB::InsertAgain(const std::vector<db::ParameterList>& calls) {
  db::Connection connection;
  db::Command command;
  // Abandon reaches `connection` only while it lives.
  struct Reachable {
    TCDB& gateway;
    Reachable(TCDB& owner, db::Connection& again) : gateway(owner) {
      std::lock_guard lock(gateway.AbandonMutex);
      gateway.AgainConnection = &again;
      if (gateway.Abandoned) again.Abandon();
    }
    ~Reachable() {
      std::lock_guard lock(gateway.AbandonMutex);
      gateway.AgainConnection = nullptr;
    }
  } reachable(*this, connection);
  try {
    connection.Open(ConnectedDSN, ConnectedUser, ConnectedPass);
    command.SetActiveConnection(&connection);
    command.SetCommandText("insert_result");
    command.SetCommandType(db::kStoredProcedure);
    return command.ExecuteInTransaction(calls);
  } catch (const db::DatabaseError&) {
    return {0, db::TransactionEnding::kRolledBack};
  }
}

}  // namespace quorax
