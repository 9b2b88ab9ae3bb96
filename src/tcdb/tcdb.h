#ifndef QUORAX_TCDB_TCDB_H_
#define QUORAX_TCDB_TCDB_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/connection.h"

namespace quorax {

// Returns the database error text: `number` in upper-case hexadecimal (eight
// digits when negative), ":", and `description` after its last "]".
std::string DatabaseErrorText(int32_t number, const std::string& description);

// True when a connection that failed to open was refused for its
// credentials: its first provider error is the authentication failure
// (80040E4D), or the provider gave no error at all.
bool CredentialsRefused(const std::vector<db::ProviderError>& errors);

// The gateway to the test-case database for one import run. Used by one
// request at a time.
class TCDB {
 public:
  TCDB();
  ~TCDB();
  TCDB(const TCDB&) = delete;
  TCDB& operator=(const TCDB&) = delete;

  // Returns 0 connected, -1 authentication failed, -2 other failure. Never raises.
  int16_t Connect(const std::string& DSN, const std::string& User, const std::string& Pass);
  // Closes the connection. Raises PlatformFailure when it is not open.
  void Disconnect();
  // The database error text of the first provider error, or "".
  std::string GetErrorString();

  // Sends one row to "verify_result" / "insert_result". Returns the
  // procedure's verdict, or -257 (no connection object), -258 (not open),
  // -259 (the database reported errors). The arguments are escaped in place
  // and Result cut to its first character. Never raises.
  int16_t VerifyResult(std::string& TestCaseID, std::string& TestDate, std::string& Version,
                       std::string& Platform, std::string& Browser, std::string& Result,
                       std::string& Tester, std::string& PR, std::string& Notes);
  int16_t InsertResult(std::string& TestCaseID, std::string& TestDate, std::string& Version,
                       std::string& Platform, std::string& Browser, std::string& Result,
                       std::string& Tester, std::string& PR, std::string& Notes);

 private:
  // The steps shared by VerifyResult and InsertResult, calling `procedure`.
  int16_t CallProcedure(const std::string& procedure, std::string& TestCaseID,
                        std::string& TestDate, std::string& Version, std::string& Platform,
                        std::string& Browser, std::string& Result, std::string& Tester,
                        std::string& PR, std::string& Notes);

  // Declared in this order so that the command is released before the connection.
  std::unique_ptr<db::Connection> DbConnection;
  std::unique_ptr<db::Command> ProcCommand;
};

}  // namespace quorax

#endif  // QUORAX_TCDB_TCDB_H_
