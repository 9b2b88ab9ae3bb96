#ifndef QUORAX_DATABASE_CONNECTION_H_
#define QUORAX_DATABASE_CONNECTION_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace quorax::db {

// What kind of failure the database or its client library reported
// (decided by KindOf in provider_error.h).
enum class ErrorKind {
  kGeneral,           // any other failure: a refused statement, a missing database
  kConnection,        // the connection could not be made, or was lost
  kCredentials,       // the user name or password was refused
  kUnavailable,       // the server cannot serve now: out of resources, shutting down
  kOutOfConnections,  // the server's or the user's connection limit is reached
};

// One entry of a connection's provider error list.
struct ProviderError {
  ErrorKind Kind = ErrorKind::kGeneral;
  std::string Description;  // "[PostgreSQL][SQLSTATE]message"
};

// A connection to the database. Text crosses this interface as Windows-1252
// bytes; the layer converts to and from UTF-8 itself.
class Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens the connection. `ConnectionString` is a libpq connection string;
  // user and password are passed as separate parameters. On failure the
  // reason is appended to Errors() and raised as the DatabaseError of its
  // kind. An empty user or password fails as refused credentials without
  // contacting the server. Opening an open connection raises PlatformFailure
  // and leaves it open.
  void Open(const std::string& ConnectionString, const std::string& UserID,
            const std::string& Password);

  // 1 when open, 0 otherwise (also once the server has gone away).
  int32_t State() const;

  // True when the connection is open, outside a transaction, and nothing has
  // arrived from the server since the last call ended: a server that ended the
  // session while it sat idle (a restart, an administrator) leaves its notice
  // or the end of the stream to read. Costs no round trip and reads nothing.
  bool Reusable() const;

  const std::vector<ProviderError>& Errors() const;
  void ClearErrors();

  // Closes the connection. Raises PlatformFailure when it is not open.
  void Close();

  // Ends this connection from any thread, the one member that may be called
  // while another runs: a call in flight ends as on a lost connection, and
  // every later Open fails as a connection failure. Thread-safe.
  void Abandon();

 private:
  friend class Command;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

enum DataType : int { kInteger = 3, kChar = 129, kVarChar = 200 };
enum Direction : int { kInput = 1, kOutput = 2 };
inline constexpr int kStoredProcedure = 4;

// A parameter value: NULL, a 32-bit integer or text.
using Value = std::variant<std::monostate, int32_t, std::string>;

struct Parameter {
  std::string Name;
  int Type = kVarChar;
  int Dir = kInput;
  int32_t Size = 0;
  Value Val;
};

// The parameters of one call, in the order the procedure binds them.
using ParameterList = std::vector<std::shared_ptr<Parameter>>;

// How the transaction of Command::ExecuteInTransaction ended.
enum class TransactionEnding {
  kCommitted,   // the calls that succeeded are recorded
  kRolledBack,  // nothing is recorded: the commit was never sent, or refused
  kUnknown,     // the connection was lost with the commit in flight
};

struct TransactionOutcome {
  size_t succeeded = 0;  // calls that succeeded, all before the failing one
  TransactionEnding ending = TransactionEnding::kCommitted;
};

// A stored-procedure call with typed, directed parameters bound by position.
// Executing runs CALL name($1, ..., $N): output parameters are sent as NULL
// and their values read back from the row the call returns.
class Command {
 public:
  Command();
  ~Command();
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  // REQUIRES: `connection` outlives its use by this command.
  void SetActiveConnection(Connection* connection);
  void SetCommandText(const std::string& text);
  void SetCommandType(int type);

  std::shared_ptr<Parameter> CreateParameter(const std::string& name, int type, int direction,
                                             int32_t size, Value value = {});
  void AppendParameter(std::shared_ptr<Parameter> parameter);
  int32_t ParameterCount() const;
  // Index from 0. Raises SubscriptOutOfRange outside 0..ParameterCount()-1.
  std::shared_ptr<Parameter> GetParameter(int32_t index) const;
  void DeleteParameter(int32_t index);
  // Removes every parameter.
  void ClearParameters() noexcept;

  // Runs the call. Database errors are appended to the connection's error
  // list and raised as the DatabaseError of their kind; any rows returned
  // are discarded. Raises ConnectionFailed without a connection or when it
  // is not open, InvalidArgument when the command is no procedure call.
  void Execute();

  // Runs the call once per entry of `calls`, each a parameter list of the
  // same types, in order and each in a transaction of its own, sending calls
  // ahead without waiting for earlier answers. Output values are stored in
  // each list as Execute does. At the first call that fails the error list
  // is replaced by its error (the database's, or the client library's when
  // the connection was lost) and no later call is run. Returns the number of
  // calls that succeeded: those before the failing one, or all. A connection
  // left in no state for further calls (it was lost mid-way) is closed.
  // Raises as Execute does when nothing can be sent.
  size_t ExecuteEach(const std::vector<ParameterList>& calls);

  // Runs the call once per entry of `calls` in one transaction, each call
  // under a savepoint of its own, sending calls ahead as ExecuteEach does and
  // storing output values the same way. At the first call that fails, no
  // later call is run, that call's effects are rolled back, the calls before
  // it are committed and the error list holds its error. When the commit is
  // never sent (the connection was lost first) or the database refuses it,
  // nothing is recorded: the ending is kRolledBack, `succeeded` counts the
  // calls that had succeeded in the lost transaction, and the error list
  // says why. A connection lost while the commit was in flight
  // gives kUnknown for the calls that succeeded; the error list holds the
  // failing call's error, or else the connection's. A lost connection is
  // closed. Raises as Execute does when nothing can be sent.
  TransactionOutcome ExecuteInTransaction(const std::vector<ParameterList>& calls);

 private:
  // Returns the private state of the connection to call on. Raises as
  // Execute does when the command cannot run.
  Connection::Impl& Ready();

  Connection* connection_ = nullptr;
  std::string text_;
  int type_ = kStoredProcedure;
  ParameterList parameters_;
};

}  // namespace quorax::db

#endif  // QUORAX_DATABASE_CONNECTION_H_
