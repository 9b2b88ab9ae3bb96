#ifndef QUORAX_WEB_RUN_STOP_H_
#define QUORAX_WEB_RUN_STOP_H_

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>

#include "common/stop_check.h"
#include "tcdb/tcdb.h"
#include "web/file_run.h"

namespace quorax {

// Decides when a run is to end before its end: once its tester cancels it,
// once the server stops, or once it has gone on for its time limit. The run
// asks Check() inside every loop of its work; Reason() then says how it
// ends. Thread-safe.
class RunStop {
 public:
  using Clock = std::chrono::steady_clock;

  // How a stopped run ends: its final stage and, but for a cancel (whose
  // words follow from its rows), the reason the tester reads.
  struct Ending {
    FileRun::Stage stage = FileRun::Stage::kCancelled;
    std::string message;
  };

  // Names the run's database connection for Abandon while it lives.
  class Holding {
   public:
    ~Holding();
    Holding(const Holding&) = delete;
    Holding& operator=(const Holding&) = delete;

   private:
    friend class RunStop;
    explicit Holding(RunStop& stop) : stop_(stop) {}
    RunStop& stop_;
  };

  // For `run`, begun at `start`, on a server that stops once
  // `server_stopping` is set. REQUIRES: both outlive this.
  RunStop(const FileRun& run, const std::atomic<bool>& server_stopping, std::chrono::seconds limit,
          Clock::time_point start = Clock::now());
  RunStop(const RunStop&) = delete;
  RunStop& operator=(const RunStop&) = delete;

  // How the run is to end now, or nothing while it may go on. The server's
  // stop comes before the time limit, the limit before a cancel.
  std::optional<Ending> Reason() const;
  // Raises Stopped with the reason's words once there is one.
  void Ask() const;
  // A check that asks this; valid while this lives.
  StopCheck Check() const {
    return [this] { Ask(); };
  }

  // Makes `database` the one Abandon ends, until the holding goes.
  // REQUIRES: `database` outlives the holding.
  [[nodiscard]] Holding Hold(TCDB& database);
  // Ends the run's database call in flight, and any it would make later: for
  // a run that does not come to a check in time.
  void Abandon();

 private:
  const FileRun& run_;
  const std::atomic<bool>& server_stopping_;
  const std::chrono::seconds limit_;
  const Clock::time_point deadline_;
  std::mutex mutex_;
  TCDB* database_ = nullptr;  // the held connection, or null
  bool abandoned_ = false;    // Abandon was called
};

}  // namespace quorax

#endif  // QUORAX_WEB_RUN_STOP_H_
