#include "common/text.h"
#include "web/main.h"

namespace quorax {

// The pages StartRun_Respond's page-order rule accepts: any other session
// would only be sent back to the start page, so its body is never read.
bool main::TakesRunBody(const Session& session) const {
  const std::string last = session.GetText("Last");
  return EqualsIgnoreCase(last, "SubmitCSV_Respond") || EqualsIgnoreCase(last, "StartRun_Respond");
}

}  // namespace quorax
