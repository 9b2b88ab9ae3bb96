#include <libpq-fe.h>
#include <poll.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "database/connection_impl.h"
#include "database/provider_error.h"

namespace quorax::db {
namespace {

// The statements sent for one call, in the order the server answers them:
// the call runs in a transaction of its own, so an error aborts the rest of
// the pipeline (the server skips everything up to the closing sync) while
// the calls before it stay committed.
enum Part : size_t { kBegin, kCall, kCommit, kPartsPerCall };

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
           const std::vector<ParameterList>& calls)
      : conn_(conn), errors_(errors), statement_(statement), calls_(calls) {}

  // Returns the number of calls that succeeded; see Command::ExecuteEach.
  // Sets `usable` to whether the connection is back in ordinary, blocking
  // use: one that cannot leave pipeline mode is in no state for further calls.
  size_t Run(bool& usable) {
    if (PQsetnonblocking(conn_, 1) != 0 || PQenterPipelineMode(conn_) == 0) {
      Lost();
    }
    while (!finished_ && Step()) {
    }
    usable = PQexitPipelineMode(conn_) == 1 && PQsetnonblocking(conn_, 0) == 0;
    return succeeded_;
  }

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

  bool Send(const ParameterList& parameters) {
    const BoundValues bound(parameters);
    return PQsendQueryParams(conn_, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1 &&
           PQsendQueryPrepared(conn_, statement_.c_str(), bound.Count(), bound.values.data(),
                               bound.lengths.data(), bound.formats.data(), 0) == 1 &&
           PQsendQueryParams(conn_, "COMMIT", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
  }

  // Takes every complete answer that has arrived. Each statement gives one
  // result and then a null one, taken at once so that no null is left to
  // stand between two statements; the sync gives one result alone.
  void ReadArrived() {
    const size_t expected = sent_ * kPartsPerCall + (synced_ ? 1 : 0);
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
    if (!Succeeded(result)) {
      Fail(ResultFailure(conn_, result));
      return;
    }
    const size_t call = index / kPartsPerCall;
    if (index % kPartsPerCall == kCall) StoreOutputs(result, calls_[call]);
    if (index % kPartsPerCall == kCommit) succeeded_ = call + 1;
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
    finished_ = true;
    return false;
  }

  PGconn* conn_;
  std::vector<ProviderError>& errors_;
  const std::string& statement_;
  const std::vector<ParameterList>& calls_;
  size_t sent_ = 0;       // calls queued for sending
  size_t answered_ = 0;   // statement results taken, the sync's included
  size_t succeeded_ = 0;  // calls committed, all before the failure
  bool synced_ = false;   // the closing sync is queued
  bool failed_ = false;   // a call failed; nothing more is sent
  bool finished_ = false;
};

}  // namespace

size_t Connection::Impl::CallEach(const std::string& statement,
                                  const std::vector<ParameterList>& calls) {
  bool usable = false;
  const size_t succeeded = Pipeline(conn.get(), errors, statement, calls).Run(usable);
  if (!usable) {
    conn.reset();
    prepared.clear();
  }
  return succeeded;
}

}  // namespace quorax::db
