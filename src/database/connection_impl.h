#ifndef QUORAX_DATABASE_CONNECTION_IMPL_H_
#define QUORAX_DATABASE_CONNECTION_IMPL_H_

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "database/connection.h"

// The client library's connection and result types, declared here so that
// only the .cc files of this folder include the library's header.
struct pg_conn;
struct pg_result;

namespace quorax::db {

struct ConnectionFree {
  void operator()(pg_conn* conn) const;
};
using PgConnection = std::unique_ptr<pg_conn, ConnectionFree>;

struct ResultFree {
  void operator()(pg_result* result) const;
};
using PgResult = std::unique_ptr<pg_result, ResultFree>;

// A duplicate of an open connection's socket, closed with this. Abandon
// shuts the connection down through it: the client library closes its own
// number when it finds the connection broken, and the system may hand that
// number to another connection at once, but never this one while it is open.
class SocketTwin {
 public:
  // Duplicates `socket` (none when negative or when it cannot be duplicated).
  explicit SocketTwin(int socket);
  ~SocketTwin();
  SocketTwin(const SocketTwin&) = delete;
  SocketTwin& operator=(const SocketTwin&) = delete;

  // Ends both directions of the connection; does nothing without a socket.
  void ShutDown() const;

 private:
  int socket_ = -1;
};

// The private state of a Connection.
struct Connection::Impl {
  ~Impl();

  // Makes `next` the connection (null closes it), keeping `twin` in step;
  // one opened after Abandon is shut down at once.
  void Replace(PgConnection next);

  PgConnection conn;  // null while closed; changed only by Replace
  // Guards `twin` and `abandoned`, the state Abandon reaches from another thread.
  std::mutex abandon_mutex;
  std::unique_ptr<SocketTwin> twin;  // of `conn` while it is open
  bool abandoned = false;            // set by Abandon: no later Open succeeds
  std::vector<ProviderError> errors;
  // Statements prepared on `conn`: statement key -> prepared statement name.
  std::map<std::string, std::string> prepared;

  // Replaces the error list by `error` and raises it as the DatabaseError of
  // its kind.
  [[noreturn]] void Fail(ProviderError error);

  // Returns the name of the statement CALL procedure($1, ..., $N) for
  // parameters of the types of `parameters`, preparing it on first use.
  // REQUIRES: the connection is open and not in pipeline mode. Raises
  // the DatabaseError of its kind (after Fail) when the database refuses it.
  std::string Prepared(const std::string& procedure, const ParameterList& parameters);

  // Runs CALL procedure($1, ..., $N) with `parameters` bound by position and
  // stores the returned values of the output parameters in them.
  // REQUIRES: the connection is open. Raises a DatabaseError (after Fail) when
  // the database reports an error.
  void Call(const std::string& procedure, const ParameterList& parameters);

  // Runs the prepared call `statement` once per entry of `calls`, pipelined,
  // as Command::ExecuteEach describes. Returns the number of calls that
  // succeeded.
  // REQUIRES: the connection is open.
  size_t CallEach(const std::string& statement, const std::vector<ParameterList>& calls);

  // Runs the prepared call `statement` once per entry of `calls` in one
  // transaction, as Command::ExecuteInTransaction describes.
  // REQUIRES: the connection is open and outside a transaction.
  TransactionOutcome CallInTransaction(const std::string& statement,
                                       const std::vector<ParameterList>& calls);
};

// The input values of a parameter list in the client library's form, bound
// by position; output parameters and NULLs are sent as NULL. `values` points
// into `texts`, so a BoundValues is moved, never copied.
struct BoundValues {
  explicit BoundValues(const ParameterList& parameters);
  BoundValues(const BoundValues&) = delete;
  BoundValues& operator=(const BoundValues&) = delete;
  int Count() const { return static_cast<int>(values.size()); }

  std::vector<std::string> texts;
  std::vector<const char*> values;
  std::vector<int> lengths;
  std::vector<int> formats;
};

// True when `result` reports a completed command (with or without rows).
bool Succeeded(const pg_result* result);

// The error-list entry for a failed command: the server's SQLSTATE and
// message, or the client library's message when there is no result (a
// connection failure when the connection is broken).
ProviderError ResultFailure(pg_conn* conn, const pg_result* result);

// Stores the values of the row that a call returned in the output
// parameters of `parameters`, in order.
void StoreOutputs(const pg_result* result, const ParameterList& parameters);

}  // namespace quorax::db

#endif  // QUORAX_DATABASE_CONNECTION_IMPL_H_
