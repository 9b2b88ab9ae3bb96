#include "tcdb/tcdb.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <variant>

#include "common/errors.h"
#include "common/int16.h"
#include "tcdb/test_case_id.h"
#include "upload/general.h"

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

void EscapeQuotes(std::string& TestCaseID, std::string& TestDate, std::string& Version,
                  std::string& Platform, std::string& Browser, std::string& Tester, std::string& PR,
                  std::string& Notes) {
  for (std::string* value :
       {&TestCaseID, &TestDate, &Version, &Platform, &Browser, &Tester, &PR, &Notes}) {
    *value = General::EscapeChars(*value, "'", "'");
  }
}

}  // namespace

std::string DatabaseErrorText(int32_t number, const std::string& description) {
  const size_t bracket = description.rfind(']');
  const std::string message =
      bracket == std::string::npos ? description : description.substr(bracket + 1);
  return Hex(number) + ":" + message;
}

bool CredentialsRefused(const std::vector<db::ProviderError>& errors) {
  return errors.empty() || Hex(errors.front().Number) == "80040E4D";
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
  return CredentialsRefused(DbConnection->Errors()) ? -1 : -2;
}

void TCDB::Disconnect() { DbConnection->Close(); }

std::string TCDB::GetErrorString() {
  const auto& errors = DbConnection->Errors();
  if (errors.empty()) return "";
  return DatabaseErrorText(errors.front().Number, errors.front().Description);
}

int16_t TCDB::VerifyResult(std::string& TestCaseID, std::string& TestDate, std::string& Version,
                           std::string& Platform, std::string& Browser, std::string& Result,
                           std::string& Tester, std::string& PR, std::string& Notes) {
  return CallProcedure("verify_result", TestCaseID, TestDate, Version, Platform, Browser, Result,
                       Tester, PR, Notes);
}

int16_t TCDB::InsertResult(std::string& TestCaseID, std::string& TestDate, std::string& Version,
                           std::string& Platform, std::string& Browser, std::string& Result,
                           std::string& Tester, std::string& PR, std::string& Notes) {
  return CallProcedure("insert_result", TestCaseID, TestDate, Version, Platform, Browser, Result,
                       Tester, PR, Notes);
}

int16_t TCDB::CallProcedure(const std::string& procedure, std::string& TestCaseID,
                            std::string& TestDate, std::string& Version, std::string& Platform,
                            std::string& Browser, std::string& Result, std::string& Tester,
                            std::string& PR, std::string& Notes) {
  // The connection object exists for the object's whole life; the check keeps
  // the documented code for a TCDB without one.
  if (DbConnection == nullptr) return -257;
  int32_t state = 0;
  if (!Suppressed([&] { state = DbConnection->State(); }) || state != 1) return -258;

  EscapeQuotes(TestCaseID, TestDate, Version, Platform, Browser, Tester, PR, Notes);
  Result = Result.substr(0, 1);

  // A test-case id that is not a number in range is sent as NULL, so that
  // the procedure's verdict (a missing value) classifies the row.
  db::Value id;
  if (const auto number = ParseTestCaseID(TestCaseID)) id = *number;
  db::Command& command = *ProcCommand;
  const std::shared_ptr<db::Parameter> parameters[] = {
      command.CreateParameter("RetVal", db::kInteger, db::kOutput, 0),
      command.CreateParameter("TestCaseID", db::kInteger, db::kInput, 0, id),
      command.CreateParameter("TestDate", db::kVarChar, db::kInput, 20, TestDate),
      command.CreateParameter("Version", db::kVarChar, db::kInput, 32, Version),
      command.CreateParameter("Platform", db::kVarChar, db::kInput, 25, Platform),
      command.CreateParameter("Browser", db::kVarChar, db::kInput, 25, Browser),
      command.CreateParameter("Result", db::kVarChar, db::kInput, 1, Result),
      command.CreateParameter("Tester", db::kVarChar, db::kInput, 32, Tester),
      command.CreateParameter("PR", db::kChar, db::kInput, 50, PR),
      command.CreateParameter("Notes", db::kVarChar, db::kInput, 255, Notes),
  };
  for (const auto& parameter : parameters) {
    Suppressed([&] { command.AppendParameter(parameter); });
  }
  DbConnection->ClearErrors();
  command.SetCommandText(procedure);
  command.SetCommandType(db::kStoredProcedure);
  Suppressed([&] { command.Execute(); });

  if (!DbConnection->Errors().empty()) return -259;
  int16_t result = 0;
  Suppressed([&] { result = ToResultCode(parameters[0]->Val); });
  const int32_t count = command.ParameterCount();
  for (int32_t i = 0; i < count; ++i) {
    Suppressed([&] { command.DeleteParameter(0); });
  }
  return result;
}

}  // namespace quorax
