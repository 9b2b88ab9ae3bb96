#include <libpq-fe.h>
#include <poll.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/connection_impl.h"
#include "database/provider_error.h"

namespace quorax::db {
namespace {

// The statements sent around the calls of one pipeline, in the order the
// server answers them. An error aborts the rest of the pipeline: the server
// skips everything up to the closing sync.
struct Shape {
  const char* opening;      // sent once before the first call, or null
  const char* before_call;  // sent before each call, or null
  const char* after_call;   // sent after each call, or null

  size_t OpeningParts() const { return opening != nullptr ? 1 : 0; }
  size_t CallPart() const { return before_call != nullptr ? 1 : 0; }
  size_t PartsPerCall() const { return CallPart() + 1 + (after_call != nullptr ? 1 : 0); }
};

// Each call in a transaction of its own: the calls before a failing one stay
// committed.
constexpr Shape kCallPerTransaction{nullptr, "BEGIN", "COMMIT"};

// Every call in one transaction, each under a savepoint released after it;
// the transaction is ended after the pipeline, once it is known how far the
// calls got. Rolling back to the savepoint's name then undoes the failing
// call alone: it is the one savepoint not released. Releasing matters: an
// open savepoint that wrote holds a lock on its transaction id, and a few
// hundred of them would crowd the server's shared lock table.
constexpr Shape kSharedTransaction{"BEGIN", "SAVEPOINT quorax_call",
                                   "RELEASE SAVEPOINT quorax_call"};

// Calls sent ahead of the last one answered. Bounds the memory both sides
// buffer; a few dozen already hide the round trips.
constexpr size_t kWindow = 64;

// Waits until the socket can be read, or written when `writing`. Returns
// false when the socket is gone.
bool WaitForSocket(PGconn* conn, bool writing) {
  const int socket = PQsocket(conn);
  if (socket < 0) return false;
  pollfd fd{socket, static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0};
  for (;;) {
    if (poll(&fd, 1, -1) > 0) return true;
    if (errno != EINTR) return false;
  }
}

// One run of pipelined calls. Sending and reading take turns on a
// non-blocking connection, so neither side stalls on a full socket buffer.
class Pipeline {
 public:
  // A failure replaces `errors` by its entry.
  Pipeline(PGconn* conn, std::vector<ProviderError>& errors, const std::string& statement,
           const std::vector<ParameterList>& calls, const Shape& shape)
      : conn_(conn), errors_(errors), statement_(statement), calls_(calls), shape_(shape) {}

  // Returns the number of calls that succeeded: those before the first
  // failure, or all. Sets `usable` to whether the connection is back in
  // ordinary, blocking use: one that cannot leave pipeline mode is in no
  // state for further calls.
  size_t Run(bool& usable) {
    if (PQsetnonblocking(conn_, 1) != 0 || PQenterPipelineMode(conn_) == 0) {
      Lost();
    }
    while (!finished_ && Step()) {
    }
    usable = !lost_ && PQexitPipelineMode(conn_) == 1 && PQsetnonblocking(conn_, 0) == 0;
    return succeeded_;
  }

  // True when a call itself failed (not a statement around it, and not the
  // connection): everything before it in the pipeline succeeded.
  bool CallFailed() const { return call_failed_; }

 private:
  // Sends what may be sent and reads what has arrived; when nothing has,
  // waits for the socket. Returns false when the connection failed.
  bool Step() {
    const size_t before = sent_;
    // The window is topped up once half of it has been answered, so that
    // calls and flush requests go out in batches rather than one by one.
    if (sent_ - succeeded_ <= kWindow / 2) {
      while (!failed_ && sent_ < calls_.size() && sent_ < succeeded_ + kWindow) {
        if (!Send(calls_[sent_])) return Lost();
        ++sent_;
      }
    }
    if (!synced_ && (failed_ || sent_ == calls_.size())) {
      if (PQpipelineSync(conn_) == 0) return Lost();
      synced_ = true;
    } else if (sent_ > before && PQsendFlushRequest(conn_) == 0) {
      // The server holds its answers until a sync or a flush request; the
      // window moves on only as answers arrive.
      return Lost();
    }
    const int flushed = PQflush(conn_);
    if (flushed < 0 || PQconsumeInput(conn_) == 0) return Lost();
    const size_t answered = answered_;
    ReadArrived();
    // Answers taken may have opened the window: send before waiting again.
    if (finished_ || answered_ > answered) return true;
    return WaitForSocket(conn_, flushed == 1) || Lost();
  }

  bool SendText(const char* sql) {
    return sql == nullptr ||
           PQsendQueryParams(conn_, sql, 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
  }

  bool Send(const ParameterList& parameters) {
    const BoundValues bound(parameters);
    return (sent_ > 0 || SendText(shape_.opening)) && SendText(shape_.before_call) &&
           PQsendQueryPrepared(conn_, statement_.c_str(), bound.Count(), bound.values.data(),
                               bound.lengths.data(), bound.formats.data(), 0) == 1 &&
           SendText(shape_.after_call);
  }

  // Takes every complete answer that has arrived. Each statement gives one
  // result and then a null one, taken at once so that no null is left to
  // stand between two statements; the sync gives one result alone.
  void ReadArrived() {
    const size_t expected =
        (sent_ > 0 ? shape_.OpeningParts() : 0) + sent_ * shape_.PartsPerCall() + (synced_ ? 1 : 0);
    while (answered_ < expected && PQisBusy(conn_) == 0) {
      const PgResult result(PQgetResult(conn_));
      if (result == nullptr) return;
      Take(result.get());
      if (PQresultStatus(result.get()) != PGRES_PIPELINE_SYNC) PgResult(PQgetResult(conn_));
    }
  }

  void Take(const PGresult* result) {
    const size_t index = answered_++;
    if (PQresultStatus(result) == PGRES_PIPELINE_SYNC) {
      finished_ = true;
      return;
    }
    if (failed_) return;  // skipped by the server after the failure
    if (index < shape_.OpeningParts()) {
      if (!Succeeded(result)) Fail(ResultFailure(conn_, result));
      return;
    }
    const size_t call = (index - shape_.OpeningParts()) / shape_.PartsPerCall();
    const size_t part = (index - shape_.OpeningParts()) % shape_.PartsPerCall();
    if (!Succeeded(result)) {
      call_failed_ = part == shape_.CallPart();
      Fail(ResultFailure(conn_, result));
      return;
    }
    if (part == shape_.CallPart()) StoreOutputs(result, calls_[call]);
    if (part + 1 == shape_.PartsPerCall()) succeeded_ = call + 1;
  }

  void Fail(ProviderError error) {
    errors_.assign(1, std::move(error));
    failed_ = true;
  }

  // The connection failed: the first call without an answer fails with the
  // client library's reason, unless an earlier error already stopped the run.
  // Returns false.
  bool Lost() {
    if (!failed_) Fail(ResultFailure(conn_, nullptr));
    call_failed_ = false;
    lost_ = true;
    finished_ = true;
    return false;
  }

  PGconn* conn_;
  std::vector<ProviderError>& errors_;
  const std::string& statement_;
  const std::vector<ParameterList>& calls_;
  const Shape& shape_;
  size_t sent_ = 0;           // calls queued for sending
  size_t answered_ = 0;       // statement results taken, the sync's included
  size_t succeeded_ = 0;      // calls whose statements all succeeded, all before the failure
  bool synced_ = false;       // the closing sync is queued
  bool failed_ = false;       // a statement failed; nothing more is sent
  bool call_failed_ = false;  // that statement was a call, answered by the server
  bool lost_ = false;         // the connection failed
  bool finished_ = false;
};

// Ends the transaction of a pipeline with kSharedTransaction whose first
// `succeeded` calls succeeded; `call_failed` tells whether the call after
// them failed in the server (rather than a statement around it or the
// connection). See Command::ExecuteInTransaction.
class SharedTransactionEnd {
 public:
  // A failure replaces `errors` by its entry.
  SharedTransactionEnd(PGconn* conn, std::vector<ProviderError>& errors, size_t succeeded,
                       bool call_failed)
      : conn_(conn), errors_(errors), succeeded_(succeeded), call_failed_(call_failed) {}

  // REQUIRES: the connection is open, out of pipeline mode and blocking.
  TransactionOutcome End(bool all_succeeded) {
    if (!all_succeeded && !call_failed_) return RolledBack(errors_.front());
    if (!all_succeeded) {
      const PgResult undone(PQexec(conn_, "ROLLBACK TO SAVEPOINT quorax_call"));
      if (!Succeeded(undone.get())) return RolledBack(ResultFailure(conn_, undone.get()));
    }
    return Commit();
  }

  // False once the connection is in no state for further use.
  bool Usable() const { return usable_; }

 private:
  // The commit is in flight once its message has left for the server: from
  // then on only its answer tells whether the calls were recorded.
  TransactionOutcome Commit() {
    if (PQsendQuery(conn_, "COMMIT") == 0) return RolledBack(ResultFailure(conn_, nullptr));
    const PgResult result(PQgetResult(conn_));
    while (PgResult(PQgetResult(conn_)) != nullptr) {
    }
    if (Succeeded(result.get()) && std::string_view(PQcmdStatus(result.get())) == "COMMIT") {
      return {succeeded_, TransactionEnding::kCommitted};
    }
    if (PQstatus(conn_) != CONNECTION_BAD) {
      return RolledBack(result != nullptr && !Succeeded(result.get())
                            ? ResultFailure(conn_, result.get())
                            : MakeProviderError("40000", "the transaction was rolled back"));
    }
    // A failed call keeps its own error: the tester sees why it failed.
    if (!call_failed_) errors_.assign(1, ResultFailure(conn_, result.get()));
    Closed();
    return {succeeded_, TransactionEnding::kUnknown};
  }

  // Nothing of the transaction was recorded, because of `reason`.
  TransactionOutcome RolledBack(ProviderError reason) {
    errors_.assign(1, std::move(reason));
    if (PQstatus(conn_) == CONNECTION_BAD) {
      Closed();
    } else {
      const PgResult rolled_back(PQexec(conn_, "ROLLBACK"));
      if (!Succeeded(rolled_back.get())) Closed();
    }
    return {succeeded_, TransactionEnding::kRolledBack};
  }

  void Closed() { usable_ = false; }

  PGconn* conn_;
  std::vector<ProviderError>& errors_;
  const size_t succeeded_;
  const bool call_failed_;
  bool usable_ = true;
};

}  // namespace

size_t Connection::Impl::CallEach(const std::string& statement,
                                  const std::vector<ParameterList>& calls) {
  bool usable = false;
  const size_t succeeded =
      Pipeline(conn.get(), errors, statement, calls, kCallPerTransaction).Run(usable);
  if (!usable) {
    Replace(nullptr);
    prepared.clear();
  }
  return succeeded;
}

TransactionOutcome Connection::Impl::CallInTransaction(const std::string& statement,
                                                       const std::vector<ParameterList>& calls) {
  bool usable = false;
  Pipeline pipeline(conn.get(), errors, statement, calls, kSharedTransaction);
  const size_t succeeded = pipeline.Run(usable);
  if (!usable) {
    // Closing the connection ends its transaction uncommitted.
    errors.assign(1, ResultFailure(conn.get(), nullptr));
    Replace(nullptr);
    prepared.clear();
    return {succeeded, TransactionEnding::kRolledBack};
  }
  SharedTransactionEnd end(conn.get(), errors, succeeded, pipeline.CallFailed());
  const TransactionOutcome outcome = end.End(succeeded == calls.size());
  if (!end.Usable()) {
    Replace(nullptr);
    prepared.clear();
  }
  return outcome;
}

}  // namespace quorax::db
