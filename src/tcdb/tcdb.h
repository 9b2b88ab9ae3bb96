#ifndef QUORAX_TCDB_TCDB_H_
#define QUORAX_TCDB_TCDB_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "database/connection.h"
#include "rows/result_columns.h"

namespace quorax {

// The numbers the database error text gives a failure: refused credentials,
// and every other kind.
inline constexpr int32_t kAuthenticationFailed = static_cast<int32_t>(0x80040E4Du);
inline constexpr int32_t kUnspecifiedFailure = static_cast<int32_t>(0x80004005u);

// The code of a row whose insert may or may not be recorded: the connection
// was lost while the transaction holding it was being committed. Like every
// code below -256 it is a database failure.
inline constexpr int16_t kNotKnownWhetherRecorded = -260;

// Rows inserted per transaction by InsertResults. A full-size upload of
// ordinary rows (some 330) takes two transactions, so the commits cost little;
// a transaction of 200 rows stays open for some 40 ms, so others wait for its
// rows no longer than that; and a commit lost in flight leaves at most this
// many rows in doubt.
inline constexpr size_t kInsertPieceRows = 200;

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
  // refused, -2 any other database failure. An open connection that the server
  // ended while it sat idle is closed and opened afresh, once. A database
  // failure is never raised.
  int16_t Connect(const std::string& DSN, const std::string& User, const std::string& Pass);
  // Closes the connection. Raises PlatformFailure when it is not open.
  void Disconnect();
  // The database error text of the first provider error, or "".
  std::string GetErrorString();
  // True when the last Connect failed because the database had no connection
  // to spare: its own limit or the user's was reached.
  bool OutOfConnections() const;

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

  // Sends every row to "insert_result" in order, pipelined, in transactions
  // of kInsertPieceRows rows, each row under a savepoint; each row is changed
  // and judged as InsertResult would. Returns one code per row up to the
  // first database failure, with the codes and the recorded rows of the
  // row-by-row path: a row that fails in the database gets -259 and nothing
  // of it is kept, the rows before it are committed and later rows are not
  // run. A connection lost before a transaction's commit was sent records
  // none of its rows; those that had run are sent once more, in a
  // transaction of their own on a new connection, and the row at which the
  // connection was lost gets -259. A transaction that still cannot be
  // committed gives -259 to its first row. When the connection is lost with
  // a commit in flight, the rows of that transaction before the failure get
  // kNotKnownWhetherRecorded. After a failure GetErrorString describes it.
  // A database failure is never raised.
  std::vector<int16_t> InsertResults(std::vector<ResultRow>& rows);

  // Ends this gateway's connections from any thread, the one member that may
  // be called while another runs: the call in flight ends as on a lost
  // connection, and every later Connect fails. Thread-safe.
  void Abandon();

 private:
  // True when the connection reads as open. REQUIRES: DbConnection is set.
  bool IsOpen();
  // Escapes `row` in place and returns the call's parameters for it: the
  // verdict's output parameter first, then one per column.
  db::ParameterList ParametersFor(ResultRow& row);
  // The steps shared by VerifyResult and InsertResult, calling `procedure`.
  int16_t CallProcedure(const std::string& procedure, ResultRow& row);
  // Inserts rows [first, first + count) of `rows` in one transaction and
  // appends their codes to `codes`. Returns false when a database failure
  // ended the run.
  bool InsertPiece(std::vector<ResultRow>& rows, size_t first, size_t count,
                   std::vector<int16_t>& codes);
  // Runs `calls` of "insert_result" in one transaction on a new connection
  // made with the credentials of the last Connect; the error list of
  // DbConnection is left as it is.
  db::TransactionOutcome InsertAgain(const std::vector<db::ParameterList>& calls);

  // What the last successful Connect was given, for InsertAgain.
  std::string ConnectedDSN;
  std::string ConnectedUser;
  std::string ConnectedPass;

  // Declared in this order so that the command is released before the connection.
  std::unique_ptr<db::Connection> DbConnection;
  std::unique_ptr<db::Command> ProcCommand;

  // Guards AgainConnection and Abandoned, which Abandon reaches from another thread.
  std::mutex AbandonMutex;
  db::Connection* AgainConnection = nullptr;  // InsertAgain's, while it runs
  bool Abandoned = false;
};

}  // namespace quorax

#endif  // QUORAX_TCDB_TCDB_H_
