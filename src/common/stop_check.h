#ifndef QUORAX_COMMON_STOP_CHECK_H_
#define QUORAX_COMMON_STOP_CHECK_H_

#include <functional>

namespace quorax {

// Asked inside every loop whose work grows with a client's input, at least
// every 100 ms of that work: raises Stopped (common/errors.h) once the work
// is to end, and returns otherwise. Cheap enough to be asked once per item.
// An empty check never stops.
using StopCheck = std::function<void()>;

// Asks `check` when it is set.
inline void AskToStop(const StopCheck& check) {
  if (check) check();
}

}  // namespace quorax

#endif  // QUORAX_COMMON_STOP_CHECK_H_
