#include "web/answer_status.h"

#include "contract/page_contract.h"

namespace quorax {

void MarkAnswer(WebHost& host, const char* token, const std::string& reason) {
  host.AddHeader(contract::kStatusHeader, token);
  if (!reason.empty()) host.AddHeader(contract::kReasonHeader, contract::ReasonHeaderValue(reason));
}

}  // namespace quorax
