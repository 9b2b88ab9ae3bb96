#ifndef QUORAX_OUTCOMES_OUTCOME_NAME_H_
#define QUORAX_OUTCOMES_OUTCOME_NAME_H_

#include <optional>
#include <string_view>

#include "outcomes/row_state.h"

namespace quorax {

// The name a row's state has in the results download and the command-line
// reports: "ok", "rejected", "database failure" or "not processed".
const char* OutcomeName(RowState state);

// The state named `name` (as OutcomeName writes it), or nothing for another
// text.
std::optional<RowState> StateNamed(std::string_view name);

}  // namespace quorax

#endif  // QUORAX_OUTCOMES_OUTCOME_NAME_H_
