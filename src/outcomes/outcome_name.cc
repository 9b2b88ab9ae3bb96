#include "outcomes/outcome_name.h"

#include <array>

namespace quorax {
namespace {

struct StateName {
  RowState state;
  const char* name;
};

constexpr std::array<StateName, 4> kStateNames = {{
    {RowState::Passed, "ok"},
    {RowState::Rejected, "rejected"},
    {RowState::DatabaseFailure, "database failure"},
    {RowState::NotProcessed, "not processed"},
}};

}  // namespace

const char* OutcomeName(RowState state) {
  for (const StateName& entry : kStateNames) {
    if (entry.state == state) return entry.name;
  }
  return "not processed";
}

std::optional<RowState> StateNamed(std::string_view name) {
  for (const StateName& entry : kStateNames) {
    if (name == entry.name) return entry.state;
  }
  return std::nullopt;
}

}  // namespace quorax
