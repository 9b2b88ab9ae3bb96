#include "web/main.h"

namespace quorax {

void main::RunErrors_Respond(WebHost& host) { SendRunDownload(host, "errors.csv", false); }

}  // namespace quorax
