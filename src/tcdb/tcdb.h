#ifndef QUORAX_TCDB_TCDB_H_
#define QUORAX_TCDB_TCDB_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/connection.h"
#include "rows/result_columns.h"

namespace quorax {

// The numbers the database error text gives a failure: refused credentials,
// and every other kind.
inline constexpr int32_t kAuthenticationFailed = static_cast<int32_t>(0x80040E4Du);
inline constexpr int32_t kUnspecifiedFailure = static_cast<int32_t>(0x80004005u);

// The number the database error text gives a failure of `kind`.
int32_t ProviderNumber(db::ErrorKind kind);

// Returns the database error text: `number` in upper-case hexadecimal (eight
// digits when negative), ":", and `description` after its last "]".
std::string DatabaseErrorText(int32_t number, const std::string& description);

// The gateway to the test-case database for one import run. Used by one
// request at a time.
class TCDB {
 public:
  TCDB();
  ~TCDB();
  TCDB(const TCDB&) = delete;
  TCDB& operator=(const TCDB&) = delete;

  // Returns 0 connected (also when it was open already), -1 credentials
  // refused, -2 any other database failure. A database failure is never raised.
  int16_t Connect(const std::string& DSN, const std::string& User, const std::string& Pass);
  // Closes the connection. Raises PlatformFailure when it is not open.
  void Disconnect();
  // The database error text of the first provider error, or "".
  std::string GetErrorString();

  // Sends `row` to "verify_result" / "insert_result". Returns the
  // procedure's verdict, or -257 (no connection object), -258 (not open),
  // -259 (the database reported errors). On an open connection the row is
  // changed in place first: apostrophes doubled in every cell but Result,
  // which is cut to its first character. A database failure is never raised,
  // and the command holds no parameters afterwards, however the call ended.
  int16_t VerifyResult(ResultRow& row);
  int16_t InsertResult(ResultRow& row);

  // Sends every row to "verify_result" in order without waiting for one
  // verdict before sending the next; each row is changed and judged as
  // VerifyResult would, in a transaction of its own. Returns one code per row
  // up to the first database failure (-257, -258, -259), which is the last
  // code: the rows after it are not run, and GetErrorString describes it.
  // A database failure is never raised.
  std::vector<int16_t> VerifyResults(std::vector<ResultRow>& rows);

 private:
  // True when the connection reads as open. REQUIRES: DbConnection is set.
  bool IsOpen();
  // Escapes `row` in place and returns the call's parameters for it: the
  // verdict's output parameter first, then one per column.
  db::ParameterList ParametersFor(ResultRow& row);
  // The steps shared by VerifyResult and InsertResult, calling `procedure`.
  int16_t CallProcedure(const std::string& procedure, ResultRow& row);

  // Declared in this order so that the command is released before the connection.
  std::unique_ptr<db::Connection> DbConnection;
  std::unique_ptr<db::Command> ProcCommand;
};

}  // namespace quorax

#endif  // QUORAX_TCDB_TCDB_H_
