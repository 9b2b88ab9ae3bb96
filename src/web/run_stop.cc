#include "web/run_stop.h"

#include "common/errors.h"
#include "common/text.h"

namespace quorax {

RunStop::RunStop(const FileRun& run, const std::atomic<bool>& server_stopping,
                 std::chrono::seconds limit, Clock::time_point start)
    : run_(run), server_stopping_(server_stopping), limit_(limit), deadline_(start + limit) {}

std::optional<RunStop::Ending> RunStop::Reason() const {
  if (server_stopping_)
    return Ending{FileRun::Stage::kServerStopped, "The server stopped during the run."};
  if (Clock::now() >= deadline_) {
    return Ending{FileRun::Stage::kFailed,
                  "The run took longer than " + GroupedNumber(limit_.count()) +
                      " seconds, this server's limit; the rows before were recorded."};
  }
  if (run_.CancelAsked()) return Ending{FileRun::Stage::kCancelled, ""};
  return std::nullopt;
}

void RunStop::Ask() const {
  if (const std::optional<Ending> ending = Reason()) {
    throw Stopped(ending->message.empty() ? "The run was cancelled." : ending->message);
  }
}

RunStop::Holding RunStop::Hold(TCDB& database) {
  std::lock_guard lock(mutex_);
  database_ = &database;
  if (abandoned_) database.Abandon();
  return Holding(*this);
}

RunStop::Holding::~Holding() {
  std::lock_guard lock(stop_.mutex_);
  stop_.database_ = nullptr;
}

void RunStop::Abandon() {
  std::lock_guard lock(mutex_);
  abandoned_ = true;
  if (database_ != nullptr) database_->Abandon();
}

}  // namespace quorax
